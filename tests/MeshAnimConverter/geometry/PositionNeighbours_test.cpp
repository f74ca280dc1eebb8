// Edge neighbours at one position: the hashed search must answer exactly as
// the direct scan, including repeated triangles, -0.0 and NaN corners.
#include "MeshAnimConverter/geometry/PositionNeighbours.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace {

using geometry::Float3;

}  // namespace

// Triangles 0..3 around the origin: 0 and 1 share the edge to (1, 0, 0), 1 and
// 2 the edge to (0, 1, 0); 3 is 0 listed again (two corners there).
TEST(PositionNeighbours, FindsFirstTwoInListOrderSkippingSelf) {
    const Float3 o{0, 0, 0};
    const Float3 x{1, 0, 0};
    const Float3 y{0, 1, 0};
    const Float3 z{0, 0, 1};
    const Float3 w{-1, 0, 0};
    std::vector<Float3> corners = {o, x, z, o, y, x, o, y, w, o, o, x};
    const uint32_t list[] = {0, 1, 2, 3, 3};
    std::vector<int32_t> first;
    std::vector<int32_t> second;
    FindPositionNeighboursLinear(list, 5, corners, first, second);
    // 0 (o, x, z): 1 shares (o, x), 3 shares (o, x) twice in the list
    EXPECT_EQ(first[0], 1);
    EXPECT_EQ(second[0], 3);
    // 1 (o, y, x): 0 shares (x, o), 2 shares (o, y)
    EXPECT_EQ(first[1], 0);
    EXPECT_EQ(second[1], 2);
    // 3 (o, o, x) listed twice: itself skipped both times
    EXPECT_EQ(first[3], 0);
    EXPECT_EQ(second[3], 1);
    EXPECT_EQ(first[4], 0);
}

TEST(PositionNeighbours, IndexedMatchesLinearOnRandomLists) {
    std::mt19937 rng(7);
    const float values[] = {0.0f, -0.0f, 1.0f, 2.0f, std::nanf("")};
    std::uniform_int_distribution<int> pickValue(0, 4);
    for (int round = 0; round < 200; ++round) {
        const int numTris = 1 + round % 60;
        std::vector<Float3> corners;
        for (int i = 0; i < numTris * 3; ++i) {
            // mostly exact small coordinates so edges repeat; NaN now and then
            const int nan = pickValue(rng) == 4 && pickValue(rng) == 4;
            corners.push_back(Float3{values[nan ? 4 : pickValue(rng) % 4],
                                     values[pickValue(rng) % 4], values[pickValue(rng) % 3]});
        }
        std::vector<uint32_t> list;
        std::uniform_int_distribution<int> pickTri(0, numTris - 1);
        for (int i = 0; i < numTris * 2; ++i) list.push_back(static_cast<uint32_t>(pickTri(rng)));
        std::vector<int32_t> f1, s1, f2, s2;
        FindPositionNeighboursLinear(list.data(), list.size(), corners, f1, s1);
        FindPositionNeighboursIndexed(list.data(), list.size(), corners, f2, s2);
        ASSERT_EQ(f1, f2) << "round " << round;
        ASSERT_EQ(s1, s2) << "round " << round;
    }
}
