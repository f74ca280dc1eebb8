// The strip generator end to end: hand-traced orders and renumbering, the
// edge cases of dropped triangles and options, and properties on grids and
// random meshes (every kept triangle once with its winding, renumbering by
// first use, identical repeated runs).
#include "MeshAnimConverter/geometry/StripGenerator.h"

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <set>
#include <string>

#include "tests/MeshAnimConverter/geometry/GeometryTestMeshes.h"

namespace {

class StripGeneratorTest : public testing::Test {
protected:
    void SetUp() override {
        m_options.cacheSize = 16;
        m_options.stitch = true;
        m_options.minLength = 0;
        m_options.listsOnly = true;
    }

    // Runs the generator with its diagnostic text collected into `m_printed`.
    std::vector<IndexRun> Runs(const std::vector<uint16_t>& idx, bool validate = false) {
        std::vector<IndexRun> runs;
        m_printed.clear();
        testing::internal::CaptureStdout();
        const bool ok = MakeIndexRuns(idx, m_options, runs, validate, &m_printed);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");  // nothing printed directly
        EXPECT_TRUE(ok);
        return runs;
    }

    std::vector<uint16_t> Order(const std::vector<uint16_t>& idx) {
        const std::vector<IndexRun> runs = Runs(idx);
        EXPECT_EQ(runs.size(), 1u);
        if (runs.empty())
            return {};
        EXPECT_EQ(runs[0].kind, 0u);
        EXPECT_EQ(runs[0].indexCount, runs[0].indices.size());
        return runs[0].indices;
    }

    StripOptions m_options;
    std::string m_printed;
};

using Triple = std::array<int, 3>;

std::multiset<Triple> Triangles(const std::vector<uint16_t>& idx) {
    std::multiset<Triple> out;
    for (size_t i = 0; i + 2 < idx.size(); i += 3) out.insert({idx[i], idx[i + 1], idx[i + 2]});
    return out;
}

// What the generator keeps: no two equal indices, first of exact repeats.
std::multiset<Triple> KeptTriangles(const std::vector<uint16_t>& idx) {
    std::set<Triple> seen;
    std::multiset<Triple> out;
    for (size_t i = 0; i + 2 < idx.size(); i += 3) {
        const Triple t = {idx[i], idx[i + 1], idx[i + 2]};
        if (t[0] == t[1] || t[1] == t[2] || t[2] == t[0])
            continue;
        if (seen.insert(t).second)
            out.insert(t);
    }
    return out;
}

const std::vector<uint16_t> kTetrahedron = {0, 1, 2, 0, 3, 1, 1, 3, 2, 2, 3, 0};

}  // namespace

// ---------------------------------------------------------------------------
// Traced by hand (see Stripper_test and StripPieces_test for the steps)

// Strips [T2 T3 T6 (4,8,4) T7 T4 T5] and [T0 T1]; both pieces average 2.0
// neighbours per triangle, so the first one leads. The swap is not output.
TEST_F(StripGeneratorTest, GridTwoByTwoOrderAndRenumbering) {
    const std::vector<uint16_t> order = Order(geomtest::GridIndices(2, 2));
    EXPECT_EQ(m_printed, "");
    EXPECT_EQ(order, (std::vector<uint16_t>{1, 2, 5, 1, 5, 4, 4, 5, 8, 4, 8, 7,
                                            3, 4, 7, 3, 7, 6, 0, 1, 4, 0, 4, 3}));
    std::vector<IndexRun> renumbered;
    ASSERT_TRUE(RenumberRunVertices(Runs(geomtest::GridIndices(2, 2)), 9, renumbered));
    ASSERT_EQ(renumbered.size(), 1u);
    // 1 2 5 4 8 7 3 6 0 -> 0 1 2 3 4 5 6 7 8
    EXPECT_EQ(renumbered[0].indices, (std::vector<uint16_t>{0, 1, 2, 0, 2, 3, 3, 2, 4, 3, 4, 5,
                                                            6, 3, 5, 6, 5, 7, 8, 0, 3, 8, 3, 6}));
    EXPECT_EQ(renumbered[0].kind, 0u);
    EXPECT_EQ(renumbered[0].indexCount, 24u);
}

// Closed: first seed T0 by the start-at-0 rule; one strip T0 T2 T3 T1.
TEST_F(StripGeneratorTest, TetrahedronIsOneStripInOrder) {
    EXPECT_EQ(Order(kTetrahedron), (std::vector<uint16_t>{0, 1, 2, 1, 3, 2, 2, 3, 0, 0, 3, 1}));
}

TEST_F(StripGeneratorTest, SingleTriangleComesBackUnchanged) {
    EXPECT_EQ(Order({0, 1, 2}), (std::vector<uint16_t>{0, 1, 2}));
    std::vector<IndexRun> renumbered;
    ASSERT_TRUE(RenumberRunVertices(Runs({0, 1, 2}), 3, renumbered));
    EXPECT_EQ(renumbered[0].indices, (std::vector<uint16_t>{0, 1, 2}));
    EXPECT_EQ(Order({7, 3, 9}), (std::vector<uint16_t>{7, 3, 9}));  // winding kept
}

// With every piece shorter than the minimum, all triangles go through the
// loose order: T2 T3 T6 (4,8,4) T7 T4 T5 T0 T1 by cached vertices, which here
// is the strip order again. The swap triangle is still not output.
TEST_F(StripGeneratorTest, LooseTrianglesNeverEmitSwaps) {
    m_options.minLength = 100;
    const std::vector<uint16_t> order = Order(geomtest::GridIndices(2, 2));
    EXPECT_EQ(order, (std::vector<uint16_t>{1, 2, 5, 1, 5, 4, 4, 5, 8, 4, 8, 7,
                                            3, 4, 7, 3, 7, 6, 0, 1, 4, 0, 4, 3}));
}

// ---------------------------------------------------------------------------
// Edge cases

TEST_F(StripGeneratorTest, NoUsableTriangleGivesOneEmptyListRun) {
    for (const std::vector<uint16_t>& idx :
         {std::vector<uint16_t>{}, std::vector<uint16_t>{0, 0, 1, 2, 3, 3},
          std::vector<uint16_t>{4, 5}}) {
        const std::vector<IndexRun> runs = Runs(idx);
        ASSERT_EQ(runs.size(), 1u);
        EXPECT_EQ(runs[0].kind, 0u);
        EXPECT_EQ(runs[0].indexCount, 0u);
    }
}

TEST_F(StripGeneratorTest, DegenerateTriangleIsDropped) {
    const std::vector<uint16_t> order = Order({0, 1, 2, 2, 2, 3, 2, 1, 3});
    EXPECT_EQ(order.size(), 6u);
    EXPECT_EQ(Triangles(order), (std::multiset<Triple>{{0, 1, 2}, {2, 1, 3}}));
}

TEST_F(StripGeneratorTest, RepeatIsOutputOnceRotationTwice) {
    EXPECT_EQ(Order({0, 1, 2, 0, 1, 2}), (std::vector<uint16_t>{0, 1, 2}));
    EXPECT_EQ(Triangles(Order({0, 1, 2, 1, 2, 0})), (std::multiset<Triple>{{0, 1, 2}, {1, 2, 0}}));
    EXPECT_EQ(m_printed, "");
}

TEST_F(StripGeneratorTest, ThirdTriangleOnEdgeIsReportedOnceAndOutput) {
    const std::vector<uint16_t> order = Order({0, 1, 2, 1, 0, 3, 0, 1, 4});
    EXPECT_EQ(m_printed, "BuildStripifyInfo: > 2 triangles on an edge... uncertain consequences\n");
    EXPECT_EQ(Triangles(order), (std::multiset<Triple>{{0, 1, 2}, {1, 0, 3}, {0, 1, 4}}));
}

TEST_F(StripGeneratorTest, RenumberByFirstUse) {
    std::vector<IndexRun> runs(1);
    runs[0].kind = 0;
    runs[0].indexCount = 4;
    runs[0].indices = {5, 3, 5, 7};
    std::vector<IndexRun> renumbered;
    ASSERT_TRUE(RenumberRunVertices(runs, 8, renumbered));
    EXPECT_EQ(renumbered[0].indices, (std::vector<uint16_t>{0, 1, 0, 2}));
    EXPECT_EQ(renumbered[0].indexCount, 4u);
    // the numbering runs on across runs
    runs.push_back(runs[0]);
    runs[1].indices = {6, 3};
    runs[1].indexCount = 2;
    ASSERT_TRUE(RenumberRunVertices(runs, 8, renumbered));
    EXPECT_EQ(renumbered[1].indices, (std::vector<uint16_t>{3, 1}));
    // an index at or past the vertex count is refused
    EXPECT_FALSE(RenumberRunVertices(runs, 7, renumbered));
    EXPECT_TRUE(renumbered.empty());
}

TEST_F(StripGeneratorTest, StripOutputModeIsRefused) {
    m_options.listsOnly = false;
    std::vector<IndexRun> runs(3);
    EXPECT_FALSE(MakeIndexRuns({0, 1, 2}, m_options, runs, false, nullptr));
    EXPECT_TRUE(runs.empty());
}

TEST_F(StripGeneratorTest, ValidationAcceptsOwnOutput) {
    for (const auto& idx : {geomtest::GridIndices(5, 4), geomtest::RandomIndices(300, 80, 3)}) {
        std::vector<IndexRun> runs;
        EXPECT_TRUE(MakeIndexRuns(idx, m_options, runs, true, nullptr));
    }
}

// ---------------------------------------------------------------------------
// Properties

namespace {

void ExpectRenumberedByFirstUse(const std::vector<uint16_t>& order,
                                const std::vector<uint16_t>& renumbered) {
    ASSERT_EQ(order.size(), renumbered.size());
    std::map<int, int> newOf;
    int next = 0;
    for (size_t i = 0; i < order.size(); ++i) {
        auto [it, fresh] = newOf.emplace(order[i], next);
        if (fresh)
            ++next;
        ASSERT_EQ(renumbered[i], it->second) << i;
    }
}

}  // namespace

TEST_F(StripGeneratorTest, PropertiesOnGridsAndRandomMeshes) {
    struct Mesh {
        std::string name;
        std::vector<uint16_t> idx;
        int vertices;
    };
    std::vector<Mesh> meshes = {
        {"grid 1x1", geomtest::GridIndices(1, 1), 4},
        {"grid 7x3", geomtest::GridIndices(7, 3), 32},
        {"grid 40x25", geomtest::GridIndices(40, 25), 41 * 26},
        {"cube", geomtest::CubeIndices(), 8},
        {"random sparse", geomtest::RandomIndices(500, 400, 11), 400},
        {"random dense", geomtest::RandomIndices(400, 30, 12), 30},
    };
    // degenerate triangles and repeats mixed into a grid
    std::vector<uint16_t> messy = geomtest::GridIndices(6, 6);
    messy.insert(messy.end(), {3, 3, 4, 0, 1, 8, 0, 1, 8, 8, 0, 1, 9, 10, 9});
    meshes.push_back({"grid with repeats", messy, 49});

    for (const Mesh& m : meshes) {
        SCOPED_TRACE(m.name);
        const std::vector<uint16_t> first = Order(m.idx);
        const std::vector<uint16_t> second = Order(m.idx);
        EXPECT_EQ(first, second);
        EXPECT_EQ(Triangles(first), KeptTriangles(m.idx));
        std::vector<IndexRun> renumbered;
        ASSERT_TRUE(
            RenumberRunVertices(Runs(m.idx), static_cast<uint32_t>(m.vertices), renumbered));
        ExpectRenumberedByFirstUse(first, renumbered[0].indices);
    }
}

// The largest chunk the 16-bit indices allow, grid and random.
TEST_F(StripGeneratorTest, LargestChunkKeepsEveryTriangle) {
    for (const auto& idx :
         {geomtest::GridIndices(257, 85), geomtest::RandomIndices(21845, 11000, 5)}) {
        const std::vector<uint16_t> order = Order(idx);
        EXPECT_EQ(Triangles(order), KeptTriangles(idx));
    }
}

// The options persist between calls until set again.
TEST_F(StripGeneratorTest, SmallCacheStillKeepsEveryTriangle) {
    m_options.cacheSize = 3;  // internal size max(1, 3 - 6) = 1
    const auto idx = geomtest::GridIndices(9, 9);
    EXPECT_EQ(Triangles(Order(idx)), KeptTriangles(idx));
    EXPECT_EQ(Triangles(Order(idx)), KeptTriangles(idx));
}
