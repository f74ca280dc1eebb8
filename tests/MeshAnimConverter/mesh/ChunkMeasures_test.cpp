// Triangle areas, face normals and bounding boxes.
#include "MeshAnimConverter/mesh/ChunkMeasures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

TEST(ChunkMeasures, MeanAreaIsTheSumOverTwiceTheCount) {
    const float a = TriangleAreaTwice({0, 0, 0}, {2, 0, 0}, {0, 2, 0});
    EXPECT_EQ(a, 4.0f);
    const float b = TriangleAreaTwice({0, 0, 0}, {0, 0, 1}, {0, 3, 0});
    EXPECT_EQ(b, 3.0f);
    EXPECT_EQ(MeanTriangleArea(a + b, 2), 7.0f / 4.0f);
    EXPECT_EQ(MeanTriangleArea(0.0f, 0), 0.0f);
}

TEST(ChunkMeasures, FaceNormalsFollowTheWinding) {
    const std::vector<ChunkVertex> vertices = {
        {0, 0, 0, 0, 0}, {2, 0, 0, 0, 0}, {0, 3, 0, 0, 0}, {0, 0, 0, 0, 0}};
    std::vector<gtVector3> normals;
    ComputeFaceNormals(vertices, {{{0, 1, 2}}, {{0, 2, 1}}, {{0, 3, 1}}, {{0, 0, 0}}}, normals);
    ASSERT_EQ(normals.size(), 4u);
    EXPECT_EQ(normals[0], (gtVector3{0, 0, 1}));
    EXPECT_EQ(normals[1], (gtVector3{0, 0, -1}));
    // two equal corner positions: no area
    EXPECT_EQ(normals[2], (gtVector3{0, 0, 1}));
    EXPECT_EQ(normals[3], (gtVector3{0, 0, 1}));
}

TEST(ChunkMeasures, CoplanarTrianglesShareOneFaceNormal) {
    std::vector<ChunkVertex> vertices;
    for (int i = 0; i < 9; ++i) {
        vertices.push_back({static_cast<float>(i % 3), static_cast<float>(i / 3),
                            static_cast<float>(i % 3) * 0.5f, 0, 0});
    }
    std::vector<gtVector3> normals;
    ComputeFaceNormals(vertices, {{{0, 1, 4}}, {{0, 4, 3}}, {{4, 5, 8}}, {{1, 2, 5}}}, normals);
    for (const gtVector3& n : normals) {
        EXPECT_EQ(n, normals[0]);
    }
    const float length = std::sqrt(Dot(normals[0], normals[0]));
    EXPECT_NEAR(length, 1.0f, 1e-6f);
}

TEST(ChunkMeasures, NanPositionsGiveTheDefaultNormal) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::vector<gtVector3> normals;
    ComputeFaceNormals({{nan, 0, 0, 0, 0}, {1, 0, 0, 0, 0}, {0, 1, 0, 0, 0}}, {{{0, 1, 2}}},
                       normals);
    EXPECT_EQ(normals[0], (gtVector3{0, 0, 1}));
}

TEST(ChunkMeasures, BoundingBoxGrows) {
    gtVector3 lo{3.4028235e38f, 3.4028235e38f, 3.4028235e38f};
    gtVector3 hi{-3.4028235e38f, -3.4028235e38f, -3.4028235e38f};
    GrowBoundingBox({}, lo, hi);
    EXPECT_EQ(lo.x, 3.4028235e38f);
    GrowBoundingBox({{1, -2, 3, 0, 0}, {-1, 5, 0, 0, 0}}, lo, hi);
    EXPECT_EQ(lo, (gtVector3{-1, -2, 0}));
    EXPECT_EQ(hi, (gtVector3{1, 5, 3}));
}

}  // namespace
