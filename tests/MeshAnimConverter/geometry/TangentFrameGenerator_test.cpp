// Tangent frames: hand-traced splits (a 90° fold, a sharper fold, a mirrored
// texture seam), the singular-mapping rule, unused vertices, and properties on
// flat, curved and random meshes.
#include "MeshAnimConverter/geometry/TangentFrameGenerator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "tests/MeshAnimConverter/geometry/GeometryTestMeshes.h"

namespace {

using Vertex = TangentFrameGenerator::Vertex;
using geomtest::MakeVertex;

constexpr float kTol = 1e-6f;
constexpr float kHalfRoot2 = 0.70710677f;

struct Result {
    std::vector<Vertex> vertices;
    std::vector<uint32_t> indices;
    std::vector<uint32_t> mapping;
};

Result Generate(std::vector<Vertex> vertices, std::vector<uint32_t> indices, float cosine = 0.0f) {
    Result r{std::move(vertices), std::move(indices), {}};
    TangentFrameGenerator gen;
    EXPECT_TRUE(gen.Generate(r.vertices, r.indices, r.mapping, cosine, cosine, cosine));
    return r;
}

void ExpectVec(const float* v, float x, float y, float z, const char* what) {
    EXPECT_NEAR(v[0], x, kTol) << what;
    EXPECT_NEAR(v[1], y, kTol) << what;
    EXPECT_NEAR(v[2], z, kTol) << what;
}

float Dot(const float* a, const float* b) {
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}
float Len(const float* a) {
    return std::sqrt(Dot(a, a));
}

// Two triangles folded along the x axis. A = (0, 1, 2) lies in z = 0 (normal
// +z); B = (1, 0, 3) rises from the fold. Texture coordinates are unfolded
// across the fold (v3 has t = -1), so u runs along the fold on both faces.
std::vector<Vertex> Fold(float v3y, float v3z) {
    return {MakeVertex(0, 0, 0, 0, 0), MakeVertex(1, 0, 0, 1, 0), MakeVertex(0, 1, 0, 0, 1),
            MakeVertex(0, v3y, v3z, 0, -1)};
}

}  // namespace

// B's face normal is (0, 1, 0): dot 0 with A's, accepted at cosine 0.0.
// Face tangents are (1, 0, 0) on both; face binormals (0, 1, 0) and (0, 0, -1).
// Fold vertices 0 and 1 get the sums normalised; nothing is split.
TEST(TangentFrameGenerator, RightAngleFoldIsSmoothedWithoutSplit) {
    const Result r = Generate(Fold(0, 1), {0, 1, 2, 1, 0, 3});
    ASSERT_EQ(r.vertices.size(), 4u);
    EXPECT_EQ(r.mapping, (std::vector<uint32_t>{0, 1, 2, 3}));
    EXPECT_EQ(r.indices, (std::vector<uint32_t>{0, 1, 2, 1, 0, 3}));
    for (uint32_t v : {0u, 1u}) {
        ExpectVec(r.vertices[v].normal, 0, kHalfRoot2, kHalfRoot2, "fold normal");
        ExpectVec(r.vertices[v].tangent, 1, 0, 0, "fold tangent");
        ExpectVec(r.vertices[v].binormal, 0, kHalfRoot2, -kHalfRoot2, "fold binormal");
    }
    ExpectVec(r.vertices[2].normal, 0, 0, 1, "A only");
    ExpectVec(r.vertices[2].binormal, 0, 1, 0, "A only");
    ExpectVec(r.vertices[3].normal, 0, 1, 0, "B only");
    ExpectVec(r.vertices[3].binormal, 0, 0, -1, "B only");
}

// With v3 = (0, 1, 1) B's face normal is (0, 1, -1): 135° from A's, so the
// normals pass splits each fold vertex. Positions in map order: (0,0,0) splits
// vertex 0 into 4, then (0,1,0), (0,1,1), then (1,0,0) splits vertex 1 into 5.
// A keeps the originals (its group comes first); B = (1, 0, 3) becomes
// (5, 4, 3). The binormals (0, 1, 0) and (0, -1, -1) also disagree, but the
// later passes find the corners already on separate vertices.
TEST(TangentFrameGenerator, SharperFoldSplitsInNormalPass) {
    const Result r = Generate(Fold(1, 1), {0, 1, 2, 1, 0, 3});
    ASSERT_EQ(r.vertices.size(), 6u);
    EXPECT_EQ(r.mapping, (std::vector<uint32_t>{0, 1, 2, 3, 0, 1}));
    EXPECT_EQ(r.indices, (std::vector<uint32_t>{0, 1, 2, 5, 4, 3}));
    for (uint32_t v : {0u, 1u, 2u}) {
        ExpectVec(r.vertices[v].normal, 0, 0, 1, "A side");
        ExpectVec(r.vertices[v].tangent, 1, 0, 0, "A side");
        ExpectVec(r.vertices[v].binormal, 0, 1, 0, "A side");
    }
    for (uint32_t v : {3u, 4u, 5u}) {
        ExpectVec(r.vertices[v].normal, 0, kHalfRoot2, -kHalfRoot2, "B side");
        ExpectVec(r.vertices[v].tangent, 1, 0, 0, "B side");
        ExpectVec(r.vertices[v].binormal, 0, -kHalfRoot2, -kHalfRoot2, "B side");
    }
    // copies keep position and texture coordinates of their source
    for (uint32_t v : {4u, 5u}) {
        EXPECT_EQ(0, std::memcmp(r.vertices[v].position, r.vertices[r.mapping[v]].position, 12));
        EXPECT_EQ(r.vertices[v].s, r.vertices[r.mapping[v]].s);
        EXPECT_EQ(r.vertices[v].t, r.vertices[r.mapping[v]].t);
    }
}

// A flat quad split along the seam x = 0: R = (0, 3, 1) on the right, L =
// (0, 1, 2) on the left, u growing away from the seam on both sides. Face
// tangents (1, 0, 0) and (-1, 0, 0): the tangent pass splits seam vertex 0
// (at (0,0,0)) into 4 and seam vertex 1 (at (0,1,0)) into 5, both for L, which
// becomes (4, 5, 2). Normals and binormals agree, so those passes split nothing.
TEST(TangentFrameGenerator, MirroredSeamSplitsInTangentPassOnly) {
    const std::vector<Vertex> verts = {MakeVertex(0, 0, 0, 0, 0), MakeVertex(0, 1, 0, 0, 1),
                                       MakeVertex(-1, 0, 0, 1, 0), MakeVertex(1, 0, 0, 1, 0)};
    const Result r = Generate(verts, {0, 3, 1, 0, 1, 2});
    ASSERT_EQ(r.vertices.size(), 6u);
    EXPECT_EQ(r.mapping, (std::vector<uint32_t>{0, 1, 2, 3, 0, 1}));
    EXPECT_EQ(r.indices, (std::vector<uint32_t>{0, 3, 1, 4, 5, 2}));
    for (uint32_t v = 0; v < 6; ++v) {
        const bool left = v == 2 || v >= 4;
        ExpectVec(r.vertices[v].normal, 0, 0, 1, "normal");
        ExpectVec(r.vertices[v].tangent, left ? -1.0f : 1.0f, 0, 0, "tangent");
        ExpectVec(r.vertices[v].binormal, 0, 1, 0, "binormal");
    }
}

// The same quad with a texture seam instead: the left triangle uses its own
// vertices 4 and 5 at the seam positions (other texture coordinates). The
// faces form one group per position, so both copies of a seam position get the
// same normal, and neither is merged into the other.
TEST(TangentFrameGenerator, TextureSeamVerticesShareNormalAndStaySeparate) {
    std::vector<Vertex> verts = {MakeVertex(0, 0, 0, 0, 0),     MakeVertex(0, 1, 0, 0, 1),
                                 MakeVertex(-1, 0, 0.5f, 0, 0), MakeVertex(1, 0, 0, 1, 0),
                                 MakeVertex(0, 0, 0, 0.5f, 0),  MakeVertex(0, 1, 0, 0.5f, 1)};
    const Result r = Generate(verts, {0, 3, 1, 4, 5, 2});
    ASSERT_EQ(r.vertices.size(), 6u);
    EXPECT_EQ(r.indices, (std::vector<uint32_t>{0, 3, 1, 4, 5, 2}));
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(r.vertices[0].normal[c], r.vertices[4].normal[c]);
        EXPECT_EQ(r.vertices[1].normal[c], r.vertices[5].normal[c]);
    }
    // the left face is tilted, so the shared normal is not the right face's
    EXPECT_GT(std::fabs(r.vertices[0].normal[0]), 0.1f);
}

// |det| at or below 0.0001 keeps the unscaled face vectors; just above, they
// are divided by det. With E1 = (1, 0, 0), dt1 = 0, dt2 = 1 and ds1 = d the
// face tangent is E1 × scale: +x when kept, -x once scaled by 1 / det < 0.
TEST(TangentFrameGenerator, SingularMappingThresholdIsInclusive) {
    struct Case {
        float ds1;
        float tangentX;
    };
    const float limit = 0.0001f;
    const Case cases[] = {
        {-limit, 1.0f},
        {-std::nextafter(limit, 1.0f), -1.0f},
        {0.0f, 1.0f},  // zero-size mapping: tangent E1 × dt2 unscaled
        {-1.0f, -1.0f},
    };
    for (const Case& c : cases) {
        const Result r = Generate(
            {MakeVertex(0, 0, 0, 0, 0), MakeVertex(1, 0, 0, c.ds1, 0), MakeVertex(0, 1, 0, 0, 1)},
            {0, 1, 2});
        for (const Vertex& v : r.vertices) EXPECT_NEAR(v.tangent[0], c.tangentX, kTol) << c.ds1;
    }
}

// No usable tangent or binormal at all (every texture coordinate equal): the
// frame falls back to the axes. N = (0, 0, 1): N.x < N.y fails, so the start
// axis is (0, 1, 0); tangent N × axis = (-1, 0, 0), binormal N × T = (0, -1, 0).
TEST(TangentFrameGenerator, DegenerateMappingFallsBackToAxisFrame) {
    const Result r =
        Generate({MakeVertex(0, 0, 0, 0, 0), MakeVertex(1, 0, 0, 0, 0), MakeVertex(0, 1, 0, 0, 0)},
                 {0, 1, 2});
    for (const Vertex& v : r.vertices) {
        ExpectVec(v.normal, 0, 0, 1, "normal");
        ExpectVec(v.tangent, -1, 0, 0, "tangent");
        ExpectVec(v.binormal, 0, -1, 0, "binormal");
    }
}

// An unused vertex keeps its normal and gets the axis frame, unnormalised:
// N = (0.6, 0.8, 0): start axis (1, 0, 0), T = N × axis = (0, 0, -0.8),
// B = N × T = (-0.64, 0.48, 0).
TEST(TangentFrameGenerator, UnusedVertexKeepsNormalAndGetsAxisFrame) {
    std::vector<Vertex> verts = {MakeVertex(0, 0, 0, 0, 0), MakeVertex(1, 0, 0, 1, 0),
                                 MakeVertex(0, 1, 0, 0, 1),
                                 MakeVertex(5, 5, 5, 0, 0, 0.6f, 0.8f, 0.0f)};
    const Result r = Generate(verts, {0, 1, 2});
    ASSERT_EQ(r.vertices.size(), 4u);
    ExpectVec(r.vertices[3].normal, 0.6f, 0.8f, 0, "normal kept");
    ExpectVec(r.vertices[3].tangent, 0, 0, -0.8f, "tangent");
    ExpectVec(r.vertices[3].binormal, -0.64f, 0.48f, 0, "binormal");
    ExpectVec(r.vertices[0].tangent, 1, 0, 0, "used vertex");
}

TEST(TangentFrameGenerator, NoTrianglesOnlyOrthogonalises) {
    std::vector<Vertex> verts = {MakeVertex(1, 2, 3, 0.5f, 0.5f, 0, 0, 1),
                                 MakeVertex(4, 5, 6, 0.5f, 0.5f, 1, 0, 0)};
    verts[1].tangent[1] = 2.0f;  // a usable tangent: kept, normalised
    const Result r = Generate(verts, {});
    ASSERT_EQ(r.vertices.size(), 2u);
    EXPECT_EQ(r.mapping, (std::vector<uint32_t>{0, 1}));
    ExpectVec(r.vertices[0].tangent, -1, 0, 0, "axis frame");
    ExpectVec(r.vertices[1].tangent, 0, 1, 0, "kept tangent");
    ExpectVec(r.vertices[1].binormal, 0, 0, 1, "N x T");  // lenB = 0, lenT > 0.5
    EXPECT_EQ(0, std::memcmp(r.vertices[1].position, verts[1].position, 12));
}

TEST(TangentFrameGenerator, RejectsBadIndicesWithoutChanges) {
    const std::vector<Vertex> verts = {MakeVertex(0, 0, 0, 0, 0), MakeVertex(1, 0, 0, 1, 0),
                                       MakeVertex(0, 1, 0, 0, 1)};
    for (const std::vector<uint32_t>& bad :
         {std::vector<uint32_t>{0, 1, 3}, std::vector<uint32_t>{0, 1}}) {
        std::vector<Vertex> v = verts;
        std::vector<uint32_t> idx = bad;
        std::vector<uint32_t> mapping;
        TangentFrameGenerator gen;
        EXPECT_FALSE(gen.Generate(v, idx, mapping, 0, 0, 0));
        EXPECT_EQ(idx, bad);
        EXPECT_EQ(0, std::memcmp(v.data(), verts.data(), sizeof(Vertex) * verts.size()));
    }
}

// NaN positions match nothing: their corners are never assigned, so those
// vertices keep their normal; the run still completes.
TEST(TangentFrameGenerator, NanPositionsDoNotCrash) {
    const float nan = std::nanf("");
    std::vector<Vertex> verts = {MakeVertex(nan, 0, 0, 0, 0, 0, 1, 0), MakeVertex(1, 0, 0, 1, 0),
                                 MakeVertex(0, 1, 0, 0, 1), MakeVertex(nan, 0, 0, 0, 0, 0, 1, 0)};
    const Result r = Generate(verts, {0, 1, 2, 3, 2, 1, 0, 2, 1});
    EXPECT_EQ(r.vertices.size(), r.mapping.size());
    ExpectVec(r.vertices[0].normal, 0, 1, 0, "untouched");
}

// ---------------------------------------------------------------------------
// Properties

namespace {

std::vector<uint32_t> Widen(const std::vector<uint16_t>& idx) {
    return {idx.begin(), idx.end()};
}

void ExpectMappingConsistent(const Result& r, size_t inputCount, size_t triangleCount) {
    ASSERT_EQ(r.mapping.size(), r.vertices.size());
    ASSERT_EQ(r.indices.size(), triangleCount * 3);
    for (size_t v = 0; v < r.vertices.size(); ++v) {
        if (v < inputCount) {
            EXPECT_EQ(r.mapping[v], v);
        } else {
            ASSERT_LT(r.mapping[v], inputCount);
            EXPECT_EQ(0,
                      std::memcmp(r.vertices[v].position, r.vertices[r.mapping[v]].position, 12));
            EXPECT_EQ(r.vertices[v].s, r.vertices[r.mapping[v]].s);
        }
    }
}

}  // namespace

// A flat grid: one normal, one tangent and one binormal everywhere, no split,
// and an orthonormal frame at every vertex.
TEST(TangentFrameGeneratorProperties, FlatGridIsOrthonormalWithoutSplits) {
    const auto idx = Widen(geomtest::GridIndices(8, 6));
    const Result r = Generate(geomtest::GridVertices(8, 6, false), idx);
    ExpectMappingConsistent(r, 63, 96);
    EXPECT_EQ(r.vertices.size(), 63u);
    EXPECT_EQ(r.indices, idx);
    for (const Vertex& v : r.vertices) {
        ExpectVec(v.normal, 0, 0, 1, "normal");
        ExpectVec(v.tangent, 1, 0, 0, "tangent");
        ExpectVec(v.binormal, 0, 1, 0, "binormal");
    }
}

// A smoothly curved grid: unit normal, tangent and binormal, both at right
// angles to the normal. (Tangent and binormal need not be exactly at right
// angles to each other: the binormal is corrected by the unnormalised
// tangent, as written.)
TEST(TangentFrameGeneratorProperties, CurvedGridFramesAreUnitAndNormalOrthogonal) {
    const auto idx = Widen(geomtest::GridIndices(12, 9));
    const Result r = Generate(geomtest::GridVertices(12, 9, true), idx);
    ExpectMappingConsistent(r, 130, 216);
    EXPECT_EQ(r.vertices.size(), 130u);
    for (const Vertex& v : r.vertices) {
        EXPECT_NEAR(Len(v.normal), 1.0f, 1e-5f);
        EXPECT_NEAR(Len(v.tangent), 1.0f, 1e-5f);
        EXPECT_NEAR(Len(v.binormal), 1.0f, 1e-5f);
        EXPECT_NEAR(Dot(v.normal, v.tangent), 0.0f, 1e-5f);
        EXPECT_NEAR(Dot(v.normal, v.binormal), 0.0f, 1e-5f);
        EXPECT_NEAR(Dot(v.tangent, v.binormal), 0.0f, 0.05f);
    }
}

// Random soups: copies point at input vertices with the same position and
// texture coordinates, every corner keeps its position, two runs agree bit
// for bit, and tangent and binormal are at right angles to the normal
// wherever a normal exists.
TEST(TangentFrameGeneratorProperties, RandomSoupsAreConsistentAndDeterministic) {
    for (unsigned seed = 1; seed <= 5; ++seed) {
        std::mt19937 rng(seed);
        std::uniform_real_distribution<float> coord(-1.0f, 1.0f);
        std::uniform_int_distribution<int> cell(0, 3);
        std::vector<Vertex> verts;
        for (int i = 0; i < 60; ++i) {
            // few distinct positions, so many triangles meet at each
            verts.push_back(MakeVertex(static_cast<float>(cell(rng)), static_cast<float>(cell(rng)),
                                       static_cast<float>(cell(rng)), coord(rng), coord(rng)));
        }
        const auto idx = Widen(geomtest::RandomIndices(150, 60, seed));
        const Result a = Generate(verts, idx);
        const Result b = Generate(verts, idx);
        ExpectMappingConsistent(a, 60, 150);
        ASSERT_EQ(a.vertices.size(), b.vertices.size());
        EXPECT_EQ(0, std::memcmp(a.vertices.data(), b.vertices.data(),
                                 sizeof(Vertex) * a.vertices.size()));
        EXPECT_EQ(a.indices, b.indices);
        for (size_t i = 0; i < idx.size(); ++i) {
            EXPECT_EQ(0,
                      std::memcmp(a.vertices[a.indices[i]].position, verts[idx[i]].position, 12));
            EXPECT_EQ(a.mapping[a.indices[i]], idx[i]);
        }
        for (const Vertex& v : a.vertices) {
            if (std::fabs(Len(v.normal) - 1.0f) > 1e-5f)
                continue;  // no face normal there
            // the axis fallback (no usable tangent or binormal) is not unit length
            EXPECT_LE(Len(v.tangent), 1.0f + 1e-5f);
            EXPECT_NEAR(Dot(v.normal, v.tangent), 0.0f, 1e-4f);
            EXPECT_NEAR(Dot(v.normal, v.binormal), 0.0f, 1e-4f);
        }
    }
}

// A cone of many thin triangles around one apex exercises the edge index of
// the neighbour search: the whole fan is one group at the apex (the last
// triangle joins it twice, through both neighbours), so nothing is split.
TEST(TangentFrameGeneratorProperties, LargeFanKeepsApexInOneGroup) {
    const int n = 600;
    std::vector<Vertex> verts = {MakeVertex(0, 0, 1, 0.5f, 0.5f)};
    for (int i = 0; i < n; ++i) {
        const double a = 2.0 * 3.14159265358979 * i / n;
        verts.push_back(MakeVertex(static_cast<float>(std::cos(a)), static_cast<float>(std::sin(a)),
                                   0, static_cast<float>(0.5 + 0.5 * std::cos(a)),
                                   static_cast<float>(0.5 + 0.5 * std::sin(a))));
    }
    std::vector<uint32_t> idx;
    for (int i = 0; i < n; ++i) {
        idx.insert(idx.end(),
                   {0u, static_cast<uint32_t>(1 + i), static_cast<uint32_t>(1 + (i + 1) % n)});
    }
    const Result r = Generate(verts, idx);
    EXPECT_EQ(r.vertices.size(), verts.size());
    EXPECT_GT(r.vertices[0].normal[2], 0.999f);
}
