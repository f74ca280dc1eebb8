"""Helpers of the vantok package's tests: the programs to compare with (paths from ctest's
environment), generated interchange scenes, and a chunk walker of the tests' own for making
damaged copies by hand."""

import json
import os
import random
import struct
import subprocess
from pathlib import Path

import pytest

SOURCE_DIR = Path(os.environ.get("VANTOK_SOURCE_DIR", Path(__file__).resolve().parents[2]))
EXAMPLES = sorted((SOURCE_DIR / "examples").glob("*.xml"))
DUMP = os.environ.get("VANTOK_DUMP", "")
CONVERTER = os.environ.get("VANTOK_CONVERTER", "")


def run_dump(*args):
    """vantok-dump's (status, stdout, stderr)."""
    run = subprocess.run([DUMP, *map(str, args)], capture_output=True, text=True, check=False)
    return run.returncode, run.stdout, run.stderr


def dump_json(path):
    status, out, err = run_dump(path, "--json", "--all")
    assert status == 0, err
    return json.loads(out)


def run_converter(*args, cwd=None):
    """VantokMeshImporter's (status, stdout lines)."""
    run = subprocess.run([CONVERTER, *map(str, args)], capture_output=True, text=True,
                         check=False, cwd=cwd)
    return run.returncode, run.stdout.splitlines()


# ----------------------------------------------------------------------------------------------
# Generated scenes


def _floats(values):
    return ", ".join(repr(float(v)) for v in values)


def _vertex(position, weights, normal=(0, 0, 1)):
    text = (f"<vertex><position>{_floats(position)}</position><normal>{_floats(normal)}"
            f"</normal><texcoord>{_floats(position[:2])}</texcoord>")
    for stream, (bone, blend) in enumerate(weights):
        text += (f'<boneId stream="{stream}">{bone}</boneId>'
                 f'<blend stream="{stream}">{blend!r}</blend>')
    return text + "</vertex>"


def scene_xml(triangles, bones=True, frames=3, tbump=False):
    """An interchange document: `triangles` as (material id, [(position, weights)] * 3),
    materials "paint" (id 0, diffuse map) and "metal" (id 1, two-sided, half opaque), an
    attachment, and with `bones` the bones b.root (id 1) and b.arm (id 2, child of b.root) and
    an animation "swing" of `frames` frames."""
    paint = "paint.tbump" if tbump else "paint"
    bump = ("<texture><textureName>art/paint_n.tga</textureName><typeName>bump</typeName>"
            "</texture>") if tbump else ""
    out = ['<?xml version="1.0"?>\n<vantokImport><version>1</version><mesh><name>sample</name>',
           "<triangles>"]
    for material, corners in triangles:
        out.append(f"<triangle><materialId>{material}</materialId>")
        out += [_vertex(p, w) for p, w in corners]
        out.append("</triangle>")
    out.append("</triangles><attachments><attachment><name>a.hand</name>"
               "<position>1, 2, 3</position><orientation>0, 0, 0, 1</orientation>"
               "</attachment></attachments></mesh><materials>")
    out.append(f"<material><name>{paint}</name><id>0</id><diffuse>0.5, 0.25, 1</diffuse>"
               "<textures><texture><textureName>art/paint.tga</textureName>"
               f"<typeName>diffuse</typeName></texture>{bump}</textures></material>")
    out.append("<material><name>metal</name><id>1</id><opacity>0.5</opacity>"
               "<twoSided>true</twoSided></material></materials>")
    if bones:
        out.append("<skeleton><bones><bone><id>1</id><name>b.root</name><position>0, 0, 0"
                   "</position><orientation>0, 0, 0, 1</orientation></bone><bone><id>2</id>"
                   "<name>b.arm</name><parentName>b.root</parentName><position>1, 0, 0"
                   "</position><orientation>0, 0, 0.70710677, 0.70710677</orientation></bone>"
                   "</bones></skeleton><animations><animation><name>swing</name>"
                   "<frameRate>24</frameRate><useLocalSpace>false</useLocalSpace>"
                   "<animationTracks>")
        for name, x in (("b.root", 0), ("b.arm", 1)):
            out.append(f"<track><targetName>{name}</targetName><keyFrames>")
            out += [f"<keyFrame><position>{x}, {f}, 0</position><rotation>0, 0, 0, 1"
                    "</rotation></keyFrame>" for f in range(frames)]
            out.append("</keyFrames></track>")
        out.append("</animationTracks></animation></animations>")
    out.append("</vantokImport>\n")
    return "\n".join(out)


def sample_triangles():
    """A quad of two triangles in paint and one triangle in metal; corners at x = 0 hang on
    the root, at x = 1 on the arm, (1, 1, 0) is split 0.25 / 0.75 and (0, 1, 1) has none."""
    c00 = ((0, 0, 0), [(1, 1.0)])
    c10 = ((1, 0, 0), [(2, 1.0)])
    c11 = ((1, 1, 0), [(1, 0.25), (2, 0.75)])
    c01 = ((0, 1, 0), [(1, 1.0)])
    return [(0, [c00, c10, c11]), (0, [c00, c11, c01]),
            (1, [((0, 0, 1), [(1, 1.0)]), ((1, 0, 1), [(2, 1.0)]), ((0, 1, 1), [])])]


def random_triangles(seed, count=60):
    """Triangles on a coarse grid (so corners weld) with 0 to 2 random weights."""
    rng = random.Random(seed)
    triangles = []
    for t in range(count):
        corners = []
        for _ in range(3):
            position = tuple(rng.randrange(3) for _ in range(3))
            weights = [(1 + k, 0.1 + rng.random()) for k in range(rng.randrange(3))]
            corners.append((position, weights))
        triangles.append((t % 2, corners))
    return triangles


@pytest.fixture
def sample(tmp_path):
    """The sample scene converted by the program: the folder holds sample.im and swing.kin."""
    xml = tmp_path / "sample.xml"
    xml.write_text(scene_xml(sample_triangles()))
    status, lines = run_converter("-inFile", xml, "-outFile", tmp_path / "sample")
    assert status == 0, lines
    return tmp_path


# ----------------------------------------------------------------------------------------------
# Chunk files, walked without the package


def u32(data, at):
    return struct.unpack_from("<I", data, at)[0]


def top_chunks(data):
    """(id, offset) of the form's own chunks."""
    chunks, at = [], 12
    while at + 8 <= len(data):
        chunks.append((data[at:at + 4].decode("latin-1"), at))
        at += 8 + u32(data, at + 4)
    return chunks


def find_chunk(data, ident, nth=0):
    return [at for name, at in top_chunks(data) if name == ident][nth]
