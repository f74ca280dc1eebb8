// ExportedModel: what the tests read back from the outputs: every vertex of an .im skinned by a
// .kin frame as the files define it (per bone a rigid transform, frame x inverse bind x
// position, weights blended linearly), and the textured corners of a .glb.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstring>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <tuple>
#include <vector>

#include "tests/TestFiles.h"
#include "tools/dump/DumpModel.h"
#include "tools/dump/GltfBuilder.h"
#include "tools/dump/GltfSkin.h"

struct Point3 {
    double x = 0, y = 0, z = 0;
};

inline double Distance(const Point3& a, const Point3& b) {
    return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) +
                     (a.z - b.z) * (a.z - b.z));
}

// Bind poses composed from the .im's bone records (through the export's own skin builder).
inline std::vector<Rigidd> BindPoses(const MeshModel& im) {
    GltfBuilder scratch;
    scratch.doc["nodes"] = nlohmann::ordered_json::array();
    return AddSkin(scratch, im).bind;
}

inline bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char p, char q) {
               return std::tolower(static_cast<unsigned char>(p)) ==
                      std::tolower(static_cast<unsigned char>(q));
           });
}

// Every vertex of the .im; with `kin`, skinned at frame `frame`.
inline std::vector<Point3> ImPoints(const MeshModel& im, const KinModel* kin, int frame) {
    std::vector<Rigidd> bind;
    std::vector<Rigidd> pose;
    if (kin != nullptr && !im.bones.empty()) {
        bind = BindPoses(im);
        pose = bind;
        for (size_t j = 0; j < im.bones.size(); ++j) {
            for (size_t k = 0; k < kin->bones.size(); ++k) {
                if (SameNameIgnoringCase(kin->bones[k].name, im.bones[j].name)) {
                    const auto& p = kin->frames[frame].poses[k];
                    pose[j].position = {p[0], p[1], p[2]};
                    pose[j].rotation = Normalised(FromKinRotation<double>(p[3], p[4], p[5], p[6]));
                    break;
                }
            }
        }
    }
    std::vector<Point3> points;
    for (size_t c = 0; c < im.chunks.size(); ++c) {
        const auto& vertices = im.chunks[c].geometry.vertices;
        std::vector<Point3> sum(vertices.size());
        std::vector<double> weight(vertices.size(), 0.0);
        for (size_t j = 0; j < bind.size(); ++j) {
            for (const MeshChunkEntry& e : im.bones[j].entries) {
                if (e.chunk != c)
                    continue;
                for (const MeshWeight& w : e.weights) {
                    const auto& v = vertices[w.vertex];
                    const Vec3d local =
                        Rotate(Conjugate(bind[j].rotation),
                               Vec3d{v[0] - bind[j].position[0], v[1] - bind[j].position[1],
                                     v[2] - bind[j].position[2]});
                    const Vec3d moved = Rotate(pose[j].rotation, local);
                    sum[w.vertex].x += w.weight * (moved[0] + pose[j].position[0]);
                    sum[w.vertex].y += w.weight * (moved[1] + pose[j].position[1]);
                    sum[w.vertex].z += w.weight * (moved[2] + pose[j].position[2]);
                    weight[w.vertex] += w.weight;
                }
            }
        }
        for (size_t i = 0; i < vertices.size(); ++i) {
            points.push_back(
                weight[i] > 0
                    ? Point3{sum[i].x / weight[i], sum[i].y / weight[i], sum[i].z / weight[i]}
                    : Point3{vertices[i][0], vertices[i][1], vertices[i][2]});
        }
    }
    return points;
}

// The largest distance from a point of `a` to the nearest point of `b` (a uniform grid of cell
// `cell` finds the neighbours; points farther than `cell` count as `cell` away, enough for a
// tolerance below it).
inline double OneSidedDistance(const std::vector<Point3>& a, const std::vector<Point3>& b,
                               double cell) {
    struct Key {
        long x, y, z;
        bool operator<(const Key& o) const { return std::tie(x, y, z) < std::tie(o.x, o.y, o.z); }
    };
    auto key = [cell](const Point3& p) {
        return Key{static_cast<long>(std::floor(p.x / cell)),
                   static_cast<long>(std::floor(p.y / cell)),
                   static_cast<long>(std::floor(p.z / cell))};
    };
    std::map<Key, std::vector<Point3>> grid;
    for (const Point3& p : b) grid[key(p)].push_back(p);
    double worst = 0;
    for (const Point3& p : a) {
        const Key k = key(p);
        double best = cell;
        for (long dx = -1; dx <= 1; ++dx)
            for (long dy = -1; dy <= 1; ++dy)
                for (long dz = -1; dz <= 1; ++dz) {
                    const auto it = grid.find(Key{k.x + dx, k.y + dy, k.z + dz});
                    if (it == grid.end())
                        continue;
                    for (const Point3& q : it->second) best = std::min(best, Distance(p, q));
                }
        worst = std::max(worst, best);
    }
    return worst;
}

inline double SetDistance(const std::vector<Point3>& a, const std::vector<Point3>& b, double cell) {
    return std::max(OneSidedDistance(a, b, cell), OneSidedDistance(b, a, cell));
}

struct GlbCorner {
    Point3 position;
    double u = 0, v = 0;
};

// Textured corners of every primitive of a .glb (positions of the mesh as stored).
inline std::vector<GlbCorner> GlbCorners(const std::string& path) {
    const std::string bytes = ReadWholeFile(path);
    std::vector<GlbCorner> corners;
    auto u32 = [&](size_t at) {
        std::uint32_t v = 0;
        std::memcpy(&v, bytes.data() + at, 4);
        return v;
    };
    if (bytes.size() < 20)
        return corners;
    const std::uint32_t jsonLength = u32(12);
    const nlohmann::json doc = nlohmann::json::parse(bytes.substr(20, jsonLength));
    const size_t bin = 20 + jsonLength + 8;
    auto element = [&](int accessor, size_t i, int c) -> double {
        const auto& a = doc["accessors"][accessor];
        const auto& view = doc["bufferViews"][a["bufferView"].get<int>()];
        const int width = a["type"] == "SCALAR" ? 1
                          : a["type"] == "VEC2" ? 2
                          : a["type"] == "VEC3" ? 3
                                                : 4;
        const int type = a["componentType"];
        const size_t size = type == 5126 || type == 5125 ? 4 : 2;
        const size_t at =
            bin + view.value("byteOffset", 0) + a.value("byteOffset", 0) + (i * width + c) * size;
        if (type == 5126) {
            float f;
            std::memcpy(&f, bytes.data() + at, 4);
            return f;
        }
        if (type == 5125)
            return u32(at);
        std::uint16_t s;
        std::memcpy(&s, bytes.data() + at, 2);
        return s;
    };
    for (const auto& mesh : doc["meshes"]) {
        for (const auto& p : mesh["primitives"]) {
            if (!p["attributes"].contains("TEXCOORD_0"))
                continue;
            const int pos = p["attributes"]["POSITION"], uv = p["attributes"]["TEXCOORD_0"];
            const int idx = p["indices"];
            const size_t count = doc["accessors"][idx]["count"];
            for (size_t i = 0; i < count; ++i) {
                const size_t v = static_cast<size_t>(element(idx, i, 0));
                corners.push_back({{element(pos, v, 0), element(pos, v, 1), element(pos, v, 2)},
                                   element(uv, v, 0),
                                   element(uv, v, 1)});
            }
        }
    }
    return corners;
}
