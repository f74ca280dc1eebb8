#!/usr/bin/env python3
"""Writes interchange files for the output comparison: seeded random skinned scenes with several
materials (one bump-mapped), attachments, and global- and local-space animations."""
import math
import random
import sys


def vec(v):
    return ", ".join("%.6g" % x for x in v)


def scene(rng, name, triangles, materials, bones, frames, local):
    out = ['<?xml version="1.0"?>', "<vantokImport>", "  <version>1</version>", "  <mesh>",
           "    <name>%s</name>" % name, "    <triangles>"]
    grid = int(math.sqrt(triangles / 2)) + 1
    for t in range(triangles):
        cell = t // 2
        x, y = cell % grid, cell // grid
        corners = [(x, y), (x + 1, y), (x, y + 1)] if t % 2 == 0 else \
                  [(x + 1, y), (x + 1, y + 1), (x, y + 1)]
        out.append("      <triangle><materialId>%d</materialId>" % rng.randrange(materials))
        for cx, cy in corners:
            z = math.sin(cx * 0.7) * math.cos(cy * 0.3)
            out.append("        <vertex><position>%s</position><normal>%s</normal>"
                       "<texcoord>%s</texcoord>" % (vec((cx, cy, z)), vec((0, 0, 1)),
                                                    vec((cx / grid, cy / grid))))
            for s in range(rng.randrange(1, 4)):
                out.append('          <boneId stream="%d">%d</boneId><blend stream="%d">%s'
                           "</blend>" % (s, rng.randrange(bones), s, "%.3g" % rng.random()))
            out.append("        </vertex>")
        out.append("      </triangle>")
    # three fins on one edge, away from the grid, in a material without tangent frames (whose
    # splits would part the edge)
    for height in (2.0, -2.0, 3.0):
        out.append("      <triangle><materialId>%d</materialId>" % (materials - 1))
        for corner in ((-5, -5, 0), (-4, -5, 0), (-4.5, -4.5, height)):
            out.append("        <vertex><position>%s</position><normal>%s</normal>"
                       "<texcoord>0, 0</texcoord></vertex>" % (vec(corner), vec((0, 0, 1))))
        out.append("      </triangle>")
    out += ["    </triangles>", "    <attachments>",
            "      <attachment><name>a.hand</name><position>1, 2, 3</position>"
            "<orientation>0, 0, 0, 1</orientation></attachment>",
            "    </attachments>", "  </mesh>", "  <materials>"]
    for m in range(materials):
        suffix = ".tbump" if m == 0 else ""
        out.append("    <material><name>mat%d%s</name><id>%d</id><diffuse>%s</diffuse>"
                   "<shine>0.%d</shine><textures>" % (m, suffix, m, vec((1, 0.5, 0.25)), m))
        out.append("      <texture><textureName>tex%d.tga</textureName><typeName>diffuse"
                   "</typeName></texture>" % m)
        if m == 0:
            out.append("      <texture><textureName>tex0_n.tga</textureName><typeName>bump"
                       "</typeName></texture>")
        out.append("    </textures></material>")
    out += ["  </materials>", "  <skeleton>", "    <bones>"]
    for b in range(bones):
        parent = "" if b == 0 else "b.bone%d" % rng.randrange(b)
        out.append("      <bone><name>b.bone%d</name><parentName>%s</parentName>"
                   "<position>%s</position><orientation>0, 0, 0, 1</orientation></bone>"
                   % (b, parent, vec((b, b * 0.5, 0))))
    out += ["    </bones>", "  </skeleton>", "  <animations>"]
    for space in ("global", "local"):
        out.append("    <animation><name>%s_%s</name><frameRate>30</frameRate>"
                   "<useLocalSpace>%s</useLocalSpace><animationTracks>"
                   % (name, space, "true" if space == "local" else "false"))
        for b in range(bones):
            out.append("      <track><targetName>b.bone%d</targetName><keyFrames>" % b)
            for f in range(frames):
                h = 0.05 * f * (b + 1)
                out.append("        <keyFrame><position>%s</position><orientation>%s"
                           "</orientation></keyFrame>"
                           % (vec((b, f * 0.1, 0)), vec((0, math.sin(h), 0, math.cos(h)))))
            out.append("      </keyFrames></track>")
        out.append("    </animationTracks><events><event><frameIndex>1</frameIndex>"
                   "<typeName>soundsync</typeName><eventName>step</eventName></event></events>"
                   "</animation>")
    out += ["  </animations>", "</vantokImport>", ""]
    return "\n".join(out)


def main():
    folder = sys.argv[1]
    rng = random.Random(20261208)
    for i, (tris, mats, bones, frames) in enumerate(
            [(12, 2, 3, 2), (400, 3, 6, 5), (5000, 4, 12, 8), (23000, 1, 4, 3)]):
        with open("%s/generated%d.xml" % (folder, i), "w") as f:
            f.write(scene(rng, "gen%d" % i, tris, mats, bones, frames, i % 2 == 1))


main()
