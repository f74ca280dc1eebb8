// Checks a written .im file against the scene it was made from, chunk by chunk: the chunk plan
// (used materials in order, at most 21845 triangles a chunk, in face order), every triangle of
// the scene present once with its winding unless welding made it degenerate, the welded vertex
// count, the mean area, the face normals, the bounding box, the material fields, and the bone
// weights of every vertex (those of one corner welded into it), with the statistics of INFO and
// GEOM. Expected values are computed from the scene by the written procedure, not by the code
// under test.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "MeshAnimConverter/scene/SceneData.h"
#include "OutputFiles.h"

namespace scene_checks {

constexpr size_t kChunkTriangles = 21845;

using Key = std::array<float, 8>;  // x y z u v nx ny nz

inline std::string Lower(std::string s) {
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return s;
}

inline Key CornerKey(const SceneVertex& c, bool hasMaps) {
    return {c.position.x,
            c.position.y,
            c.position.z,
            hasMaps ? c.texcoord.u : 0.0f,
            hasMaps ? c.texcoord.v : 0.0f,
            c.normal.x,
            c.normal.y,
            c.normal.z};
}

inline Key VertexKey(const ImChunk& c, uint16_t v) {
    const auto& p = c.vertices[v];
    const auto& n = c.normals[v];
    return {p[0], p[1], p[2], p[3], p[4], n[0], n[1], n[2]};
}

// A weight as the file carries it, with its bone entry's index in INFL.
struct Weight {
    size_t entry;
    float weight;
    std::array<float, 3> position;
    bool operator==(const Weight& o) const {
        return entry == o.entry && weight == o.weight && position == o.position;
    }
};

inline std::array<float, 9> QuatRows(const gtQuat& q) {
    const float x = q.x, y = q.y, z = q.z, w = q.w;
    return {1.0f - 2.0f * (y * y + z * z), 2.0f * (x * y + z * w),
            2.0f * (x * z - y * w),        2.0f * (x * y - z * w),
            1.0f - 2.0f * (x * x + z * z), 2.0f * (y * z + x * w),
            2.0f * (x * z + y * w),        2.0f * (y * z - x * w),
            1.0f - 2.0f * (x * x + y * y)};
}

struct Options {
    std::string baseName;  // the .im file's title, for the reference names
};

}  // namespace scene_checks

// Every bone of the scene is expected to be a node of the output skeleton, in bone order.
inline void CheckImAgainstScene(const SceneData& scene, const ImFile& im,
                                const scene_checks::Options& options = {}) {
    using namespace scene_checks;
    // chunk plan
    struct Plan {
        int material;
        std::vector<int> triangles;
    };
    std::vector<Plan> plans;
    for (int m = 0; m < scene.materials.Count(); ++m) {
        std::vector<int> list;
        for (int t = 0; t < scene.triangles.Count(); ++t) {
            if (scene.triangles[t].materialId == m) {
                list.push_back(t);
            }
        }
        for (size_t start = 0; start < list.size(); start += kChunkTriangles) {
            Plan& p = plans.emplace_back();
            p.material = m;
            p.triangles.assign(
                list.begin() + static_cast<long>(start),
                list.begin() + static_cast<long>(std::min(list.size(), start + kChunkTriangles)));
        }
    }
    ASSERT_EQ(im.form, "IDXM");
    ASSERT_EQ(im.chunks.size(), plans.size());
    EXPECT_EQ(im.chunkCount, plans.size());
    EXPECT_EQ(im.infoVersion, 104u);
    EXPECT_EQ(im.infoSize, 68u);

    // bones: id table (the later bone wins) and INFL entries merged by name ignoring case
    std::map<int32_t, size_t> boneById;
    std::vector<size_t> entryOfBone;
    std::vector<std::string> entryNames;
    for (int b = 0; b < scene.bones.Count(); ++b) {
        boneById[scene.bones[b].id] = static_cast<size_t>(b);
        const std::string name = Lower(scene.bones[b].name.c_str());
        const auto found = std::find(entryNames.begin(), entryNames.end(), name);
        entryOfBone.push_back(static_cast<size_t>(found - entryNames.begin()));
        if (found == entryNames.end()) {
            entryNames.push_back(name);
        }
    }
    auto cornerWeights = [&](const SceneVertex& c) {
        std::vector<std::pair<size_t, Weight>> list;  // (bone, weight)
        for (int s = 0; s < 4; ++s) {
            const auto it = boneById.find(c.boneId[s]);
            if (!(c.blend[s] > 0.0f) || it == boneById.end()) {
                continue;
            }
            const SceneBone& bone = scene.bones[static_cast<int>(it->second)];
            const std::array<float, 9> g = QuatRows(bone.orientation);
            const float d[3] = {c.position.x - bone.position.x, c.position.y - bone.position.y,
                                c.position.z - bone.position.z};
            Weight w{entryOfBone[it->second], c.blend[s], {}};
            for (int r = 0; r < 3; ++r) {
                w.position[static_cast<size_t>(r)] =
                    g[3u * r] * d[0] + g[3u * r + 1] * d[1] + g[3u * r + 2] * d[2];
            }
            list.push_back({it->second, w});
        }
        // file order: merged entry, then the bone's own record, then slot order
        std::stable_sort(list.begin(), list.end(), [](const auto& a, const auto& b) {
            return a.second.entry != b.second.entry ? a.second.entry < b.second.entry
                                                    : a.first < b.first;
        });
        std::vector<Weight> out;
        for (const auto& e : list) {
            out.push_back(e.second);
        }
        return out;
    };

    std::array<float, 3> boxMin{3.4028235e38f, 3.4028235e38f, 3.4028235e38f};
    std::array<float, 3> boxMax{-3.4028235e38f, -3.4028235e38f, -3.4028235e38f};
    for (size_t ci = 0; ci < plans.size(); ++ci) {
        SCOPED_TRACE("chunk " + std::to_string(ci));
        const Plan& plan = plans[ci];
        const ImChunk& c = im.chunks[ci];
        const SceneMaterial& material = scene.materials[plan.material];
        const bool hasMaps = material.textures.Count() > 0;
        const bool bump = std::string(material.name.c_str()).find(".tbump") != std::string::npos;
        EXPECT_EQ(c.version, 100u);
        EXPECT_EQ(c.index, ci);

        // material
        EXPECT_EQ(c.materialVersion, 103u);
        EXPECT_EQ(c.pairCount, 0u);
        EXPECT_EQ(c.twoSided, material.twoSided != 0 ? 1u : 0u);
        EXPECT_EQ(c.opacity, material.opacity);
        const gtVector3 colours[4] = {material.ambient, material.diffuse, material.specular,
                                      material.emissive};
        for (size_t k = 0; k < 4; ++k) {
            EXPECT_EQ(c.colours[3 * k], colours[k].x);
            EXPECT_EQ(c.colours[3 * k + 1], colours[k].y);
            EXPECT_EQ(c.colours[3 * k + 2], colours[k].z);
        }
        EXPECT_EQ(c.shine, material.shine * 100.0f);
        size_t expectedMaps = 0;
        for (int t = 0; t < material.textures.Count(); ++t) {
            expectedMaps += material.textures[t].typeName == "opacity" ? 0u : 1u;
        }
        EXPECT_EQ(c.maps.size(), expectedMaps);
        if (!options.baseName.empty() &&
            Lower(material.name.c_str()).find("m.") == std::string::npos) {
            const std::string head = "*" + options.baseName + "*";
            EXPECT_EQ(c.referenceName.compare(0, head.size(), head), 0) << c.referenceName;
            const std::string tail = "*" + Lower(material.name.c_str()) + "*m.";
            EXPECT_NE(c.referenceName.find(tail), std::string::npos) << c.referenceName;
        }

        // geometry header
        EXPECT_EQ(c.geometryVersion, 201u);
        EXPECT_EQ(c.primitiveCode, 4u);
        EXPECT_EQ(c.flags, bump ? 1u : 0u);
        EXPECT_EQ(c.indexCount, 3u * c.triangleCount);
        EXPECT_EQ(c.triangleCountAgain, c.triangleCount);
        EXPECT_EQ(c.boundNode, "");

        // mean area over every triangle of the chunk, in face order, before welding
        float sum = 0.0f;
        std::vector<Key> keys;
        for (int t : plan.triangles) {
            const SceneTriangle& tri = scene.triangles[t];
            const gtVector3& p0 = tri.vertices[0].position;
            const gtVector3& p1 = tri.vertices[1].position;
            const gtVector3& p2 = tri.vertices[2].position;
            const float a[3] = {p2.x - p0.x, p2.y - p0.y, p2.z - p0.z};
            const float b[3] = {p1.x - p0.x, p1.y - p0.y, p1.z - p0.z};
            const float x = a[1] * b[2] - a[2] * b[1];
            const float y = a[2] * b[0] - a[0] * b[2];
            const float z = a[0] * b[1] - a[1] * b[0];
            sum += std::sqrt(x * x + y * y + z * z);
            for (const SceneVertex& v : tri.vertices) {
                keys.push_back(CornerKey(v, hasMaps));
                const float pos[3] = {v.position.x, v.position.y, v.position.z};
                for (size_t k = 0; k < 3; ++k) {
                    boxMin[k] = std::min(boxMin[k], pos[k]);
                    boxMax[k] = std::max(boxMax[k], pos[k]);
                }
            }
        }
        EXPECT_EQ(c.meanArea, sum / static_cast<float>(2 * plan.triangles.size()));

        // welding: one vertex per distinct corner (tangent copies aside)
        std::vector<Key> distinct = keys;
        std::sort(distinct.begin(), distinct.end());
        distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
        if (!bump) {
            EXPECT_EQ(c.vertexCount, distinct.size());
        } else {
            EXPECT_GE(c.vertexCount, distinct.size());
            EXPECT_EQ(c.tangents.size(), c.vertexCount);
        }

        // triangles: the non-degenerate ones of the scene, each once, corners in their order.
        // With tangents the normals are recomputed, so only position and uv are compared.
        const size_t width = bump ? 5u : 8u;
        using Tri = std::vector<float>;
        struct Expected {
            Tri key;
            int triangle;
        };
        std::vector<Expected> expected;
        for (int t : plan.triangles) {
            const SceneTriangle& tri = scene.triangles[t];
            const Key k0 = CornerKey(tri.vertices[0], hasMaps);
            const Key k1 = CornerKey(tri.vertices[1], hasMaps);
            const Key k2 = CornerKey(tri.vertices[2], hasMaps);
            if (k0 == k1 || k1 == k2 || k0 == k2) {
                continue;
            }
            Tri key;
            for (const Key* k : {&k0, &k1, &k2}) {
                key.insert(key.end(), k->begin(), k->begin() + static_cast<long>(width));
            }
            expected.push_back({key, t});
        }
        ASSERT_EQ(c.triangleCount, expected.size());
        struct Got {
            Tri key;
            size_t index;
        };
        std::vector<Got> got;
        for (size_t t = 0; t < c.triangles.size(); ++t) {
            Tri key;
            for (uint16_t v : c.triangles[t]) {
                ASSERT_LT(v, c.vertexCount);
                const Key k = VertexKey(c, v);
                key.insert(key.end(), k.begin(), k.begin() + static_cast<long>(width));
            }
            got.push_back({key, t});
        }
        auto byKey = [](const auto& a, const auto& b) { return a.key < b.key; };
        std::stable_sort(expected.begin(), expected.end(), byKey);
        std::stable_sort(got.begin(), got.end(), byKey);

        // face normals of the output triangles
        for (size_t t = 0; t < c.triangles.size(); ++t) {
            const auto& P0 = c.vertices[c.triangles[t][0]];
            const auto& P1 = c.vertices[c.triangles[t][1]];
            const auto& P2 = c.vertices[c.triangles[t][2]];
            const float a[3] = {P1[0] - P0[0], P1[1] - P0[1], P1[2] - P0[2]};
            const float b[3] = {P2[0] - P0[0], P2[1] - P0[1], P2[2] - P0[2]};
            const float x = a[1] * b[2] - a[2] * b[1];
            const float y = a[2] * b[0] - a[0] * b[2];
            const float z = a[0] * b[1] - a[1] * b[0];
            const float sq = x * x + y * y + z * z;
            std::array<float, 3> n{0, 0, 1};
            if (sq > 0.0f) {
                const float length = std::sqrt(sq);
                n = {x / length, y / length, z / length};
            }
            EXPECT_EQ(c.faceNormals[t], n) << "triangle " << t;
        }

        // weights of this chunk per vertex, in file order
        std::vector<std::vector<Weight>> vertexWeights(c.vertexCount);
        uint32_t bonesWeighting = 0;
        for (size_t e = 0; e < im.bones.size(); ++e) {
            for (const ImChunkEntry& entry : im.bones[e].entries) {
                if (entry.chunk != ci) {
                    continue;
                }
                bool any = false;
                for (const ImWeight& w : entry.weights) {
                    ASSERT_GE(w.vertex, 0);
                    ASSERT_LT(static_cast<uint32_t>(w.vertex), c.vertexCount);
                    vertexWeights[static_cast<size_t>(w.vertex)].push_back(
                        {e, w.weight, w.position});
                    any = any || w.weight > 0.0f;
                }
                bonesWeighting += any ? 1u : 0u;
            }
        }
        std::vector<bool> used(c.vertexCount, false);
        for (const auto& t : c.triangles) {
            for (uint16_t v : t) {
                used[v] = true;
            }
        }
        uint32_t perVertex = 0;
        for (size_t v = 0; v < vertexWeights.size(); ++v) {
            if (!vertexWeights[v].empty()) {
                EXPECT_TRUE(used[v]) << "weights on unused vertex " << v;
            }
            uint32_t n = 0;
            for (const Weight& w : vertexWeights[v]) {
                n += w.weight > 0.0f ? 1u : 0u;
            }
            perVertex = std::max(perVertex, n);
        }
        EXPECT_EQ(c.influencesPerVertex, perVertex);

        // each output corner carries the weights of a scene corner welded into its vertex
        std::map<uint16_t, std::vector<std::vector<Weight>>> candidates;
        for (size_t k = 0; k < got.size(); ++k) {
            ASSERT_EQ(got[k].key, expected[k].key) << "triangle set differs";
            const auto& outTri = c.triangles[got[k].index];
            const SceneTriangle& inTri = scene.triangles[expected[k].triangle];
            for (size_t corner = 0; corner < 3; ++corner) {
                candidates[outTri[corner]].push_back(cornerWeights(inTri.vertices[corner]));
            }
        }
        for (const auto& [v, m_options] : candidates) {
            const bool matches =
                std::find(m_options.begin(), m_options.end(), vertexWeights[v]) != m_options.end();
            EXPECT_TRUE(matches) << "vertex " << v << " carries " << vertexWeights[v].size()
                                 << " weights, no corner of it has those";
        }
        (void)bonesWeighting;
    }

    EXPECT_EQ(im.boxMin, boxMin);
    EXPECT_EQ(im.boxMax, boxMax);

    // INFL: one entry per bone name, a chunk entry per chunk and record
    if (scene.bones.Count() == 0) {
        EXPECT_TRUE(im.bones.empty());
        EXPECT_EQ(im.influencesPerVertex, 0u);
        EXPECT_EQ(im.bonesPerChunk, 0u);
        return;
    }
    ASSERT_EQ(im.bones.size(), entryNames.size());
    EXPECT_EQ(im.influenceVersion, 100u);
    uint32_t maxPerVertex = 0;
    for (const ImChunk& c : im.chunks) {
        maxPerVertex = std::max(maxPerVertex, c.influencesPerVertex);
    }
    EXPECT_EQ(im.influencesPerVertex, maxPerVertex);
    std::vector<uint32_t> bonesPerChunk(im.chunks.size(), 0);
    for (size_t e = 0; e < im.bones.size(); ++e) {
        const ImBone& bone = im.bones[e];
        size_t first = 0;
        size_t records = 0;
        for (size_t b = 0; b < entryOfBone.size(); ++b) {
            if (entryOfBone[b] == e) {
                first = records == 0 ? b : first;
                ++records;
            }
        }
        const SceneBone& source = scene.bones[static_cast<int>(first)];
        EXPECT_EQ(bone.name, source.name.c_str());
        EXPECT_EQ(bone.parent, source.parentName.c_str());
        EXPECT_EQ(bone.position,
                  (std::array<float, 3>{source.localPosition.x, source.localPosition.y,
                                        source.localPosition.z}));
        EXPECT_EQ(bone.matrix, QuatRows(source.localOrientation));
        ASSERT_EQ(bone.entries.size(), records * im.chunks.size());
        for (size_t k = 0; k < bone.entries.size(); ++k) {
            EXPECT_EQ(bone.entries[k].chunk, k / records);
            bool any = false;
            for (const ImWeight& w : bone.entries[k].weights) {
                any = any || w.weight > 0.0f;
            }
            bonesPerChunk[k / records] += any ? 1u : 0u;
        }
    }
    EXPECT_EQ(im.bonesPerChunk, *std::max_element(bonesPerChunk.begin(), bonesPerChunk.end()));
}
