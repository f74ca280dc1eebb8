// Triangle and edge tables: edge lists newest first, the repeat test, the
// third-triangle diagnostic, and GetNextIndex.
#include "MeshAnimConverter/geometry/StripifyInfo.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "tests/MeshAnimConverter/geometry/GeometryTestMeshes.h"

namespace {

StripifyInfo Build(const std::vector<uint16_t>& idx, std::string* printed = nullptr) {
    int maxIndex = 0;
    for (uint16_t v : idx) maxIndex = std::max<int>(maxIndex, v);
    StripifyInfo info;
    std::string out;
    BuildStripifyInfo(idx.data(), idx.size(), maxIndex, info, &out);
    if (printed != nullptr)
        *printed = out;
    return info;
}

std::vector<std::pair<int, int>> EdgeList(const StripifyInfo& info, int v) {
    std::vector<std::pair<int, int>> ends;
    for (int e = info.edgeHeads[v]; e >= 0; e = info.NextEdge(e, v)) {
        ends.emplace_back(info.edges[e].endA, info.edges[e].endB);
    }
    return ends;
}

const char kThirdTriangle[] =
    "BuildStripifyInfo: > 2 triangles on an edge... uncertain consequences\n";

}  // namespace

// 2 × 2 grid: vertex 4 is touched by T0 (1,4), (4,0); T1 (4,3); T3 (5,4);
// T4 (4,7); T6 (8,4), newest first, each in its creator's order.
TEST(StripifyInfo, EdgeListsAreNewestFirstInCreatorOrder) {
    const StripifyInfo info = Build(geomtest::GridIndices(2, 2));
    ASSERT_EQ(info.numTableTris, 8u);
    EXPECT_EQ(info.edges.size(), 16u);
    EXPECT_EQ(EdgeList(info, 4),
              (std::vector<std::pair<int, int>>{{8, 4}, {4, 7}, {5, 4}, {4, 3}, {4, 0}, {1, 4}}));
    EXPECT_EQ(EdgeList(info, 0), (std::vector<std::pair<int, int>>{{3, 0}, {4, 0}, {0, 1}}));
    // edge (5, 4): created by T3 = (1, 5, 4), then T6 = (4, 5, 8)
    const int e = info.FindEdge(4, 5);
    ASSERT_GE(e, 0);
    EXPECT_EQ(info.edges[e].firstTri, 3);
    EXPECT_EQ(info.edges[e].secondTri, 6);
    EXPECT_EQ(info.OtherTri(e, 3), 6);
    EXPECT_EQ(info.OtherTri(e, 6), 3);
    EXPECT_EQ(info.OtherTri(0, 1, 0), -1);  // open edge
    EXPECT_EQ(info.OtherTri(4, 4, 0), -1);  // (a, a): no edge
    EXPECT_EQ(info.FindEdge(0, 8), -1);
    EXPECT_EQ(info.FindEdge(99, 0), -1);
}

TEST(StripifyInfo, DropsDegenerateAndRepeatedTrianglesKeepsRotations) {
    std::string printed;
    const StripifyInfo info = Build({0, 1, 2, 3, 3, 4, 0, 1, 2, 1, 2, 0, 5, 6, 5}, &printed);
    ASSERT_EQ(info.numTableTris, 2u);
    EXPECT_EQ(info.tris[0].c0, 0);
    EXPECT_EQ(info.tris[1].c0, 1);  // the rotation (1, 2, 0) is kept
    // the repeat's second-triangle links were undone: the rotation holds them
    for (auto [a, b] : {std::pair{0, 1}, std::pair{1, 2}, std::pair{2, 0}}) {
        const int e = info.FindEdge(a, b);
        EXPECT_EQ(info.edges[e].firstTri, 0);
        EXPECT_EQ(info.edges[e].secondTri, 1);
    }
    EXPECT_EQ(printed, "");
}

// The third triangle on (0, 1) is reported once and kept but not linked.
TEST(StripifyInfo, ReportsThirdTriangleOnAnEdgeOnce) {
    std::string printed;
    const StripifyInfo info = Build({0, 1, 2, 1, 0, 3, 0, 1, 4}, &printed);
    EXPECT_EQ(printed, kThirdTriangle);
    EXPECT_EQ(info.numTableTris, 3u);
    const int e = info.FindEdge(0, 1);
    EXPECT_EQ(info.edges[e].firstTri, 0);
    EXPECT_EQ(info.edges[e].secondTri, 1);
    EXPECT_EQ(info.OtherTri(e, 2), 0);  // seen from the unlinked one: the first
}

// A repeat is found after its edges are linked: on a full edge it is still
// reported, then dropped.
TEST(StripifyInfo, RepeatOnFullEdgeIsReportedThenDropped) {
    std::string printed;
    const StripifyInfo info = Build({0, 1, 2, 2, 1, 3, 0, 1, 2}, &printed);
    EXPECT_EQ(printed, kThirdTriangle);
    EXPECT_EQ(info.numTableTris, 2u);
    EXPECT_EQ(info.edges[info.FindEdge(0, 1)].secondTri, -1);
}

TEST(StripifyInfo, GetNextIndex) {
    struct Case {
        int a;
        int b;
        StripTri tri;
        int expected;
        bool prints;
    };
    const auto tri = [](int a, int b, int c) {
        StripTri t;
        t.c0 = a;
        t.c1 = b;
        t.c2 = c;
        return t;
    };
    const Case cases[] = {
        {1, 2, tri(1, 2, 5), 5, false},
        {2, 5, tri(1, 2, 5), 1, false},
        {5, 1, tri(1, 5, 4), 4, false},
        {1, 2, tri(3, 4, 1), 3, true},   // lacks 2: reported, still answered
        {1, 2, tri(1, 2, 1), 1, false},  // all among a, b: c0 = c2
        {1, 2, tri(2, 1, 1), 1, false},  // c1 = c2
        {1, 2, tri(1, 2, 3), 3, false},
        {7, 8, tri(1, 2, 3), 1, true},  // lacks both
    };
    for (const Case& c : cases) {
        std::string out;
        EXPECT_EQ(GetNextIndex(c.a, c.b, c.tri, &out), c.expected);
        EXPECT_EQ(out, c.prints ? "GetNextIndex: Triangle doesn't have all of its vertices\n"
                                  "GetNextIndex: Duplicate triangle probably got us derailed\n"
                                : "");
    }
}

// FindEdge answers from a hash, FindEdgeOf from a triangle's own edges;
// walking a's list as the edge table is laid out must give the same edge.
TEST(StripifyInfo, HashedLookupMatchesListWalk) {
    auto walk = [](const StripifyInfo& info, int a, int b) {
        int e = info.edgeHeads[a];
        while (e >= 0) {
            const StripEdge& edge = info.edges[e];
            if (edge.endA == a) {
                if (edge.endB == b)
                    return e;
                e = edge.nextA;
            } else {
                if (edge.endA == b)
                    return e;
                e = edge.nextB;
            }
        }
        return -1;
    };
    for (unsigned seed = 1; seed <= 3; ++seed) {
        const StripifyInfo info =
            Build(geomtest::RandomIndices(400, 40 * static_cast<int>(seed), seed));
        const int n = static_cast<int>(info.edgeHeads.size());
        for (int a = 0; a < n; ++a) {
            for (int b = 0; b < n; ++b)
                ASSERT_EQ(info.FindEdge(a, b), walk(info, a, b)) << a << " " << b;
        }
        // a triangle's own edges are answered from the triangle
        for (size_t t = 0; t < info.numTableTris; ++t) {
            const StripTri& tri = info.tris[t];
            for (auto [a, b] : {std::pair{tri.c0, tri.c1}, std::pair{tri.c2, tri.c1},
                                std::pair{tri.c0, tri.c2}, std::pair{tri.c0, 0}}) {
                ASSERT_EQ(info.FindEdgeOf(static_cast<int>(t), a, b), walk(info, a, b));
            }
        }
    }
}

// The strip walk steps from side to side: the triangle across side k of a
// table triangle is another table triangle with that side's two corners.
// Dense soups put three or more triangles on many edges; rotations and a
// reversed copy share all three.
TEST(StripifyInfo, NeighbourAcrossEachSideHasThatSide) {
    std::vector<std::vector<uint16_t>> meshes = {geomtest::GridIndices(6, 5),
                                                 geomtest::CubeIndices()};
    for (unsigned seed = 1; seed <= 12; ++seed) {
        meshes.push_back(geomtest::RandomIndices(40 + 30 * static_cast<int>(seed),
                                                 4 + static_cast<int>(seed) * 3, seed));
    }
    meshes.push_back({0, 1, 2, 1, 2, 0, 2, 1, 0, 0, 1, 3});
    for (size_t m = 0; m < meshes.size(); ++m) {
        const StripifyInfo info = Build(meshes[m]);
        for (size_t t = 0; t < info.numTableTris; ++t) {
            const StripTri& tri = info.tris[t];
            const int corners[3] = {tri.c0, tri.c1, tri.c2};
            for (int k = 0; k < 3; ++k) {
                const int other = info.neighbours[t * 3 + static_cast<size_t>(k)];
                if (other < 0)
                    continue;
                ASSERT_LT(static_cast<size_t>(other), info.numTableTris);
                EXPECT_NE(static_cast<size_t>(other), t);
                const StripTri& o = info.tris[static_cast<size_t>(other)];
                EXPECT_TRUE(o.HasVertex(corners[k]) && o.HasVertex(corners[(k + 1) % 3]))
                    << "mesh " << m << " triangle " << t << " side " << k;
            }
        }
    }
}
