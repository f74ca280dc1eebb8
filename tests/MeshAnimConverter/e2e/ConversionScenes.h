// Scenes for the in-process conversion tests: a grid of triangles over a few materials (a
// diffuse map with an opacity map, a bump map whose tangents split vertices), two fins on one
// edge so the strip generator prints its diagnostic lines, two bones and an animation. Each
// scene varies with `variant`, so two conversions at once work on different inputs.
#pragma once

#include <string>

#include "InterchangeBuilder.h"

inline InterchangeBuilder GridScene(int variant) {
    InterchangeBuilder b;
    for (int m = 0; m < 3; ++m) {
        IxMaterial& material = b.materials.emplace_back();
        material.name = "grid" + std::to_string(m) + (m == 1 ? ".tbump" : "");
        material.id = m;
        material.textures = {{"v" + std::to_string(variant) + "_" + std::to_string(m) + ".tga",
                              "diffuse"}};
        if (m == 0) {
            material.textures.push_back({"mask" + std::to_string(variant) + ".tga", "opacity"});
        }
        if (m == 1) {
            material.textures.push_back({"bump" + std::to_string(variant) + ".tga", "bump"});
        }
    }
    for (int i = 0; i < 2; ++i) {
        IxBone& bone = b.bones.emplace_back();
        bone.id = i;
        bone.name = "b.bone" + std::to_string(i);
        bone.parent = i == 0 ? "" : "b.bone0";
        bone.position[1] = static_cast<float>(i + variant);
    }
    const int side = 6 + 3 * variant;
    for (int m = 0; m < 3; ++m) {
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; ++x) {
                for (int half = 0; half < 2; ++half) {
                    IxTriangle& t = b.triangles.emplace_back();
                    t.materialId = m;
                    const int corners[2][3][2] = {{{0, 0}, {1, 0}, {0, 1}},
                                                  {{1, 0}, {1, 1}, {0, 1}}};
                    for (int c = 0; c < 3; ++c) {
                        IxCorner& corner = t.corners[c];
                        corner.position[0] = static_cast<float>(x + corners[half][c][0]);
                        corner.position[1] = static_cast<float>(y + corners[half][c][1]);
                        corner.position[2] = 0.25f * static_cast<float>((x + y + m) % 3);
                        corner.uv[0] = (x % 3 == 2 ? -1.0f : 1.0f) * corner.position[0] / side;
                        corner.uv[1] = corner.position[1] / side;
                        corner.weights = {{(x + c) % 2, 1.0f}};
                    }
                }
            }
        }
    }
    for (float height : {3.0f, -3.0f}) {  // three triangles on the last triangle's first edge
        IxTriangle fin = b.triangles.back();
        fin.corners[2].position[2] = height;
        b.triangles.push_back(fin);
    }
    IxAnimation& walk = b.animations.emplace_back();
    walk.name = "walk" + std::to_string(variant);
    for (const IxBone& bone : b.bones) {
        IxTrack& track = walk.tracks.emplace_back();
        track.target = bone.name;
        for (int f = 0; f < 3; ++f) {
            IxKey& key = track.keys.emplace_back();
            key.position[0] = static_cast<float>(f * (variant + 1));
        }
    }
    return b;
}

// The scene's text with one malformed number in the first material's ambient colour, so the
// lexer shows its error box ("more than one dot in number") while the file is read.
inline std::string WithLexerError(const std::string& text) {
    std::string out = text;
    const std::string open = "<ambient>";
    const size_t at = out.find(open);
    const size_t end = out.find("</ambient>", at);
    out.replace(at + open.size(), end - at - open.size(), "1.2.3, 0, 0");
    return out;
}
