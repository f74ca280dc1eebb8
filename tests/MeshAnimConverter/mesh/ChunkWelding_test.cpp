// Welding and degenerate removal: hand-worked orders, exactness and invariants on random chunks.
#include "MeshAnimConverter/mesh/ChunkWelding.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <random>
#include <set>
#include <tuple>

namespace {

struct Corner {
    ChunkVertex vertex;
    gtVector3 normal;
};

struct TestChunk {
    std::vector<ChunkVertex> vertices;
    std::vector<gtVector3> normals;
    std::vector<ChunkTriangle> triangles;
    std::vector<uint32_t> sources;

    void Add(const Corner& c, uint32_t source) {
        vertices.push_back(c.vertex);
        normals.push_back(c.normal);
        sources.push_back(source);
    }
    uint32_t Weld() { return WeldChunkVertices(vertices, normals, triangles, sources); }
};

Corner At(float x, float y, float z, float u = 0.0f, float v = 0.0f, gtVector3 n = {0, 0, 1}) {
    return {{x, y, z, u, v}, n};
}

ChunkTriangle Tri(uint16_t a, uint16_t b, uint16_t c) {
    return {{a, b, c}};
}

bool SameTriangle(const ChunkTriangle& t, uint16_t a, uint16_t b, uint16_t c) {
    return t.v[0] == a && t.v[1] == b && t.v[2] == c;
}

// Vertices 0..4: 1 duplicates 0 and 4 duplicates 3. The pairs are (1, 0) and (4, 3); the cursor
// skips the duplicate 4 and moves vertex 3 into slot 1; the pair (4, 3) lies above the cursor.
// New numbers: 0, 0, 2, 1, 1. The source map is exchanged at i = 1 (with 0), i = 3 (with 1) and
// i = 4 (with 1): [10 11 12 13 14] -> [11 10 ..] -> [11 13 12 10 14] -> [11 14 12 10 13].
TEST(ChunkWelding, HandWorkedFillFromTheEnd) {
    TestChunk chunk;
    chunk.Add(At(0, 0, 0), 10);
    chunk.Add(At(0, 0, 0), 11);
    chunk.Add(At(1, 0, 0), 12);
    chunk.Add(At(0, 1, 0), 13);
    chunk.Add(At(0, 1, 0), 14);
    chunk.triangles = {Tri(0, 1, 2), Tri(3, 4, 2), Tri(2, 3, 0)};

    EXPECT_EQ(chunk.Weld(), 2u);
    ASSERT_EQ(chunk.vertices.size(), 3u);
    EXPECT_EQ(chunk.vertices[0].y, 0.0f);
    EXPECT_EQ(chunk.vertices[1].y, 1.0f);
    EXPECT_EQ(chunk.vertices[2].x, 1.0f);
    EXPECT_EQ(chunk.sources, (std::vector<uint32_t>{11, 14, 12}));
    EXPECT_TRUE(SameTriangle(chunk.triangles[0], 0, 0, 2));
    EXPECT_TRUE(SameTriangle(chunk.triangles[1], 1, 1, 2));
    EXPECT_TRUE(SameTriangle(chunk.triangles[2], 2, 1, 0));
}

// Vertices 0..5 where 3 and 5 duplicate 1 (the keeper is the lowest number of the run).
// Pairs (3, 1), (5, 1). Cursor 5 is a duplicate, 4 moves into 3 (new 3); pair 5 is above the
// cursor (3). New numbers: 0, 1, 2, 1, 3, 1. Map [0..5]: i = 3 swaps 3 and 1 -> [0 3 2 1 4 5];
// i = 4 swaps 4 and 3 -> [0 3 2 4 1 5]; i = 5 swaps 5 and 1 -> [0 5 2 4 1 3]; cut to 4.
TEST(ChunkWelding, HandWorkedKeeperWithTwoDuplicates) {
    TestChunk chunk;
    chunk.Add(At(0, 0, 0), 0);
    chunk.Add(At(5, 5, 5), 1);
    chunk.Add(At(2, 0, 0), 2);
    chunk.Add(At(5, 5, 5), 3);
    chunk.Add(At(4, 0, 0), 4);
    chunk.Add(At(5, 5, 5), 5);
    chunk.triangles = {Tri(0, 1, 2), Tri(3, 4, 5)};
    EXPECT_EQ(chunk.Weld(), 2u);
    ASSERT_EQ(chunk.vertices.size(), 4u);
    EXPECT_EQ(chunk.vertices[3].x, 4.0f);
    EXPECT_EQ(chunk.sources, (std::vector<uint32_t>{0, 5, 2, 4}));
    EXPECT_TRUE(SameTriangle(chunk.triangles[0], 0, 1, 2));
    EXPECT_TRUE(SameTriangle(chunk.triangles[1], 1, 3, 1));
}

TEST(ChunkWelding, CubeWithFaceNormalsWeldsToTwentyFourVertices) {
    TestChunk chunk;
    // six faces, two triangles each, one normal per face, no texture coordinates
    const float s[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    uint32_t corner = 0;
    for (int axis = 0; axis < 3; ++axis) {
        for (float side : {-1.0f, 1.0f}) {
            gtVector3 n{0, 0, 0};
            (axis == 0 ? n.x : axis == 1 ? n.y : n.z) = side;
            auto point = [&](int k) {
                float p[3];
                p[axis] = side;
                p[(axis + 1) % 3] = s[k][0];
                p[(axis + 2) % 3] = s[k][1];
                return At(p[0], p[1], p[2], 0, 0, n);
            };
            const int quad[6] = {0, 1, 2, 0, 2, 3};
            for (int k = 0; k < 6; k += 3) {
                for (int c = 0; c < 3; ++c) {
                    chunk.Add(point(quad[k + c]), corner);
                    ++corner;
                }
                const uint16_t b = static_cast<uint16_t>(corner - 3);
                chunk.triangles.push_back(Tri(b, b + 1, b + 2));
            }
        }
    }
    EXPECT_EQ(chunk.vertices.size(), 36u);
    EXPECT_EQ(chunk.Weld(), 12u);
    EXPECT_EQ(chunk.vertices.size(), 24u);
    EXPECT_EQ(RemoveDegenerateTriangles(chunk.triangles), 0u);
}

TEST(ChunkWelding, ComparisonIsExact) {
    const float half = 0.5f;
    const float nextHalf = std::nextafter(half, 1.0f);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const struct {
        const char* what;
        Corner a;
        Corner b;
        size_t expected;
    } cases[] = {
        {"last bit of u", At(0, 0, 0, half, 0), At(0, 0, 0, nextHalf, 0), 2},
        {"v differs", At(0, 0, 0, 0, 1), At(0, 0, 0, 0, 2), 2},
        {"normal differs", At(0, 0, 0, 0, 0, {0, 1, 0}), At(0, 0, 0, 0, 0, {0, 0, 1}), 2},
        {"nan in x", At(nan, 0, 0), At(nan, 0, 0), 2},
        {"nan in the normal", At(0, 0, 0, 0, 0, {nan, 0, 1}), At(0, 0, 0, 0, 0, {nan, 0, 1}), 2},
        {"minus zero", At(-0.0f, 0, 0), At(0.0f, 0, 0), 1},
        {"identical", At(1, 2, 3, 4, 5, {6, 7, 8}), At(1, 2, 3, 4, 5, {6, 7, 8}), 1},
    };
    for (const auto& c : cases) {
        TestChunk chunk;
        chunk.Add(c.a, 0);
        chunk.Add(c.b, 1);
        chunk.Weld();
        EXPECT_EQ(chunk.vertices.size(), c.expected) << c.what;
    }
}

TEST(ChunkWelding, NanCornersStayApartFromTheirRunNeighbours) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    TestChunk chunk;
    chunk.Add(At(1, 0, 0), 0);
    chunk.Add(At(nan, 0, 0), 1);
    chunk.Add(At(1, 0, 0), 2);
    chunk.Add(At(nan, 0, 0), 3);
    chunk.Add(At(1, 0, 0), 4);
    EXPECT_EQ(chunk.Weld(), 2u);
    EXPECT_EQ(chunk.vertices.size(), 3u);
}

// Random chunks over a small pool of corners: every distinct corner is kept exactly once, every
// triangle corner still names an equal corner, and the source map stays a set of distinct input
// corners, each one a corner that welded into its vertex (so weights follow an equal corner).
TEST(ChunkWelding, RandomChunksKeepEveryDistinctCorner) {
    std::mt19937 random(1234u);
    for (int round = 0; round < 200; ++round) {
        const int poolSize = 1 + static_cast<int>(random() % 12);
        std::vector<Corner> pool;
        for (int i = 0; i < poolSize; ++i) {
            pool.push_back(At(static_cast<float>(random() % 3), static_cast<float>(random() % 2), 0,
                              static_cast<float>(random() % 2), 0,
                              {0, 0, static_cast<float>(random() % 2)}));
        }
        const int triangleCount = 1 + static_cast<int>(random() % 20);
        TestChunk chunk;
        for (int c = 0; c < triangleCount * 3; ++c) {
            chunk.Add(pool[random() % pool.size()], static_cast<uint32_t>(c));
        }
        for (int t = 0; t < triangleCount; ++t) {
            const uint16_t b = static_cast<uint16_t>(3 * t);
            chunk.triangles.push_back(Tri(b, b + 1, b + 2));
        }
        const TestChunk before = chunk;
        chunk.Weld();

        auto key = [](const ChunkVertex& v, const gtVector3& n) {
            return std::make_tuple(v.x, v.y, v.z, v.u, v.v, n.x, n.y, n.z);
        };
        std::set<decltype(key(chunk.vertices[0], chunk.normals[0]))> distinct, after;
        for (size_t i = 0; i < before.vertices.size(); ++i) {
            distinct.insert(key(before.vertices[i], before.normals[i]));
        }
        for (size_t i = 0; i < chunk.vertices.size(); ++i) {
            after.insert(key(chunk.vertices[i], chunk.normals[i]));
        }
        ASSERT_EQ(chunk.vertices.size(), distinct.size());
        ASSERT_EQ(after, distinct);
        ASSERT_EQ(chunk.sources.size(), chunk.vertices.size());
        ASSERT_EQ(chunk.triangles.size(), before.triangles.size());
        for (size_t t = 0; t < chunk.triangles.size(); ++t) {
            for (int c = 0; c < 3; ++c) {
                const uint16_t old = before.triangles[t].v[c];
                const uint16_t now = chunk.triangles[t].v[c];
                ASSERT_LT(now, chunk.vertices.size());
                ASSERT_EQ(key(chunk.vertices[now], chunk.normals[now]),
                          key(before.vertices[old], before.normals[old]));
            }
        }
        std::set<uint32_t> sources(chunk.sources.begin(), chunk.sources.end());
        ASSERT_EQ(sources.size(), chunk.sources.size());
        for (size_t i = 0; i < chunk.sources.size(); ++i) {
            const uint32_t s = chunk.sources[i];
            ASSERT_LT(s, before.sources.size());
            EXPECT_EQ(key(before.vertices[s], before.normals[s]),
                      key(chunk.vertices[i], chunk.normals[i]))
                << "round " << round << " vertex " << i;
        }
    }
}

// Triangles A..E with A (0 0 1) and C (1 2 2) degenerate: C takes E, then A takes D.
TEST(DegenerateTriangles, LastTriangleTakesTheSlotHighestFirst) {
    std::vector<ChunkTriangle> triangles = {Tri(0, 0, 1), Tri(1, 2, 3), Tri(1, 2, 2), Tri(4, 5, 6),
                                            Tri(7, 8, 9)};
    EXPECT_EQ(RemoveDegenerateTriangles(triangles), 2u);
    ASSERT_EQ(triangles.size(), 3u);
    EXPECT_TRUE(SameTriangle(triangles[0], 4, 5, 6));
    EXPECT_TRUE(SameTriangle(triangles[1], 1, 2, 3));
    EXPECT_TRUE(SameTriangle(triangles[2], 7, 8, 9));
}

TEST(DegenerateTriangles, EveryKindOfEqualCornersAndTheLastTriangle) {
    std::vector<ChunkTriangle> triangles = {Tri(1, 2, 3), Tri(3, 4, 3), Tri(5, 5, 5), Tri(6, 7, 7)};
    EXPECT_EQ(RemoveDegenerateTriangles(triangles), 3u);
    ASSERT_EQ(triangles.size(), 1u);
    EXPECT_TRUE(SameTriangle(triangles[0], 1, 2, 3));
    std::vector<ChunkTriangle> none;
    EXPECT_EQ(RemoveDegenerateTriangles(none), 0u);
}

}  // namespace
