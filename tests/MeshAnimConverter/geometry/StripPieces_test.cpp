// Cutting strips into pieces, the winding test, and the two greedy orders
// (loose triangles, pieces), each traced by hand on small inputs.
#include "MeshAnimConverter/geometry/StripPieces.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "MeshAnimConverter/geometry/FifoCache.h"
#include "tests/MeshAnimConverter/geometry/GeometryTestMeshes.h"

namespace {

StripTri Tri(int a, int b, int c) {
    StripTri t;
    t.c0 = a;
    t.c1 = b;
    t.c2 = c;
    return t;
}

// Real triangles R0..R19 are table entries 0..19; 'D' entries are degenerate.
// A pattern like "R D R" becomes a strip over fresh triangle numbers, and
// pieces are written back as patterns of R-numbers and D.
struct SplitFixture {
    StripifyInfo info;
    Strip strip;
    std::vector<std::string> names;

    explicit SplitFixture(const std::vector<std::string>& pattern) {
        int real = 0;
        for (const std::string& p : pattern) {
            if (p == "D") {
                info.tris.push_back(Tri(0, 1, 0));
                names.push_back("D");
            } else {
                info.tris.push_back(Tri(3 * real, 3 * real + 1, 3 * real + 2));
                names.push_back("R" + std::to_string(real++));
            }
            strip.tris.push_back(static_cast<int>(info.tris.size() - 1));
        }
    }

    std::vector<std::vector<std::string>> Split(int pieceLength) const {
        std::vector<std::vector<std::string>> out;
        for (const StripPiece& piece : SplitStrips({strip}, info, pieceLength)) {
            out.emplace_back();
            for (int t : piece.tris) out.back().push_back(names[t]);
        }
        return out;
    }
};

using Pieces = std::vector<std::vector<std::string>>;

StripifyInfo Build(const std::vector<uint16_t>& idx) {
    int maxIndex = 0;
    for (uint16_t v : idx) maxIndex = std::max<int>(maxIndex, v);
    StripifyInfo info;
    BuildStripifyInfo(idx.data(), idx.size(), maxIndex, info, nullptr);
    return info;
}

}  // namespace

TEST(StripPieces, SplitTable) {
    struct Case {
        std::vector<std::string> strip;
        int length;
        Pieces expected;
    };
    const Case cases[] = {
        // n <= t: everything, degenerate ones included
        {{"R", "D", "R"}, 5, {{"R0", "D", "R1"}}},
        // n = 8, t = 3: k = 2, m = 2 joins the last piece
        {{"R", "R", "R", "R", "R", "R", "R", "R"},
         3,
         {{"R0", "R1", "R2"}, {"R3", "R4", "R5", "R6", "R7"}}},
        // n = 9, t = 5: m = 4 > 3 makes a piece of its own
        {{"R", "R", "R", "R", "R", "R", "R", "R", "R"},
         5,
         {{"R0", "R1", "R2", "R3", "R4"}, {"R5", "R6", "R7", "R8"}}},
        // degenerates push the ends back; one leading a piece is left out; the
        // remainder (m = 1) is appended with the degenerate met on the way
        {{"R", "D", "R", "R", "R", "R", "D", "R", "R", "R", "R", "R", "D", "R"},
         5,
         {{"R0", "D", "R1", "R2", "R3", "R4"}, {"R5", "R6", "R7", "R8", "R9", "D", "R10"}}},
        // the extra piece leaves out a leading degenerate, keeps inner ones
        {{"R", "R", "R", "R", "R", "D", "R", "R", "D", "R", "R"},
         5,
         {{"R0", "R1", "R2", "R3", "R4"}, {"R5", "R6", "D", "R7", "R8"}}},
        // n <= t keeps a trailing degenerate; after full pieces it is dropped
        {{"R", "R", "R", "D"}, 3, {{"R0", "R1", "R2", "D"}}},
        {{"R", "R", "R", "R", "D"}, 2, {{"R0", "R1"}, {"R2", "R3"}}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SplitFixture(c.strip).Split(c.length), c.expected)
            << c.strip.size() << " / " << c.length;
    }
}

TEST(StripPieces, DropShortPiecesMovesTrianglesToLoose) {
    std::vector<StripPiece> pieces = {{{1, 2, 3}}, {{4}}, {{5, 6}}};
    std::vector<int> loose;
    DropShortPieces(pieces, 2, loose);
    ASSERT_EQ(pieces.size(), 2u);
    EXPECT_EQ(pieces[0].tris, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(pieces[1].tris, (std::vector<int>{5, 6}));
    EXPECT_EQ(loose, (std::vector<int>{4}));
}

TEST(StripPieces, WindingTestTable) {
    struct Case {
        std::vector<StripTri> piece;
        bool expected;
    };
    const Case cases[] = {
        {{Tri(0, 1, 2)}, true},
        // a = 0 is not in the second triangle: no swap
        {{Tri(0, 1, 2), Tri(2, 1, 3)}, true},
        // b = 1 is the first one missing: a and b swap, (1, 0) is not f0's order
        {{Tri(0, 1, 2), Tri(0, 2, 3)}, false},
        // c = 2 is the first one missing: a and c swap; f0.c0 = 0 = b? no
        {{Tri(0, 1, 2), Tri(1, 0, 3)}, false},
        // third triangle holds c only: nothing changes
        {{Tri(0, 1, 2), Tri(2, 1, 3), Tri(2, 3, 4)}, true},
        // third triangle holds b alone: c stands in for b, and (0, 2) is not
        {{Tri(0, 1, 2), Tri(2, 1, 3), Tri(1, 3, 4)}, false},
    };
    for (const Case& c : cases) {
        StripifyInfo info;
        StripPiece piece;
        for (const StripTri& t : c.piece) {
            piece.tris.push_back(static_cast<int>(info.tris.size()));
            info.tris.push_back(t);
        }
        EXPECT_EQ(WindingTest(piece, info), c.expected) << c.piece.size();
    }
}

TEST(FifoCache, FirstInFirstOut) {
    FifoCache cache(3);
    EXPECT_FALSE(cache.InCache(5));
    EXPECT_EQ(cache.AddEntry(5), -1);
    EXPECT_EQ(cache.AddEntry(6), -1);
    EXPECT_EQ(cache.AddEntry(5), -1);  // present: no change
    EXPECT_EQ(cache.AddEntry(7), -1);
    EXPECT_EQ(cache.AddEntry(8), 5);  // oldest drops out
    EXPECT_FALSE(cache.InCache(5));
    EXPECT_EQ(cache.CountCached(Tri(6, 9, 6)), 2);  // corners counted separately
    cache.AddTriangle(Tri(9, 6, 10));               // adds 9 (drops 6), then 6 (drops 7), then 10
    EXPECT_TRUE(cache.InCache(6));
    EXPECT_FALSE(cache.InCache(7));
    EXPECT_FALSE(cache.InCache(8));
    EXPECT_TRUE(cache.InCache(10));
}

// 2 × 2 grid, loose triangles in table order. Cache of 10 never fills:
// T0 first (all 0), then T1 (0, 4 cached), T3 (1, 4), T2 (1, 5), T4 (3, 4),
// T5 (3, 7), T6 (4, 5), T7.
// Cache of 3: T0 -> [4 1 0]; T1 (2 cached) -> [3 4 1]; T3 (2) -> [5 3 4];
// T4 (2) -> [7 5 3]; T5 (2) -> [6 7 5]; T2, T6, T7 (1 each, first wins)
// -> T2 -> [5 2 1]; T6 (5) -> [8 4 5]; T7.
TEST(StripPieces, LooseTrianglesGreedyOrder) {
    const StripifyInfo info = Build(geomtest::GridIndices(2, 2));
    const std::vector<int> loose = {0, 1, 2, 3, 4, 5, 6, 7};
    EXPECT_EQ(OrderLooseTriangles(loose, info, 10), (std::vector<int>{0, 1, 3, 2, 4, 5, 6, 7}));
    EXPECT_EQ(OrderLooseTriangles(loose, info, 3), (std::vector<int>{0, 1, 3, 4, 5, 2, 6, 7}));
}

// Every 2 × 2 grid triangle its own piece, cache of 10. Neighbour counts:
// T2 and T5 have 1, so P2 goes first (wanted winding: false, odd count).
// Then P3 (ratio 2), wanted -> true; P0 and P6 tie at 2, P6 passes the winding
// test (true) -> P6, wanted -> false; P0 and P7 tie at 2, P7's winding is
// wrong -> P0, wanted -> true; P1 and P7 tie, P7 wins; then P1, P4 (3 of 3),
// P5.
TEST(StripPieces, PieceOrderUsesCacheHitsThenWinding) {
    const StripifyInfo info = Build(geomtest::GridIndices(2, 2));
    std::vector<StripPiece> pieces;
    for (int t = 0; t < 8; ++t) pieces.push_back(StripPiece{{t}});
    std::vector<int> order;
    for (const StripPiece& p : OrderPieces(pieces, info, 10)) order.push_back(p.tris[0]);
    EXPECT_EQ(order, (std::vector<int>{2, 3, 6, 0, 7, 1, 4, 5}));
}

// Pieces sharing no vertex: each next one is the first unvisited in order.
TEST(StripPieces, PieceOrderFallsBackToFirstUnvisited) {
    const StripifyInfo info = Build({0, 1, 2, 3, 4, 5, 6, 7, 8});
    std::vector<StripPiece> pieces = {{{0}}, {{1}}, {{2}}};
    std::vector<int> order;
    for (const StripPiece& p : OrderPieces(pieces, info, 10)) order.push_back(p.tris[0]);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
    EXPECT_TRUE(OrderPieces({}, info, 10).empty());
}

// ---------------------------------------------------------------------------
// The incremental orders against direct transcriptions that rescan

namespace {

std::vector<int> NaiveLooseOrder(const std::vector<int>& loose, const StripifyInfo& info,
                                 int cacheSize) {
    FifoCache cache(cacheSize);
    std::vector<bool> taken(loose.size(), false);
    std::vector<int> order;
    for (size_t step = 0; step < loose.size(); ++step) {
        int best = -1;
        int bestCount = -1;
        for (size_t i = 0; i < loose.size(); ++i) {
            if (taken[i])
                continue;
            const int count = cache.CountCached(info.tris[loose[i]]);
            if (count > bestCount) {
                best = static_cast<int>(i);
                bestCount = count;
            }
        }
        taken[best] = true;
        cache.AddTriangle(info.tris[loose[best]]);
        order.push_back(loose[best]);
    }
    return order;
}

std::vector<int> NaivePieceOrder(std::vector<StripPiece> pieces, const StripifyInfo& info,
                                 int cacheSize) {
    std::vector<int> order;
    if (pieces.empty())
        return order;
    std::vector<std::vector<int>> byVertex(info.edgeHeads.size());
    for (size_t i = 0; i < pieces.size(); ++i) {
        for (int t : pieces[i].tris) {
            for (int v : {info.tris[t].c0, info.tris[t].c1, info.tris[t].c2}) {
                if (std::find(byVertex[v].begin(), byVertex[v].end(), static_cast<int>(i)) ==
                    byVertex[v].end()) {
                    byVertex[v].push_back(static_cast<int>(i));
                }
            }
        }
    }
    int current = 0;
    float minimum = 10000.0f;
    for (size_t i = 0; i < pieces.size(); ++i) {
        int sum = 0;
        for (int t : pieces[i].tris) {
            const StripTri& tri = info.tris[t];
            sum += (info.OtherTri(tri.c0, tri.c1, t) >= 0) +
                   (info.OtherTri(tri.c1, tri.c2, t) >= 0) +
                   (info.OtherTri(tri.c2, tri.c0, t) >= 0);
        }
        const float average = static_cast<float>(sum) / static_cast<float>(pieces[i].tris.size());
        if (average < minimum) {
            minimum = average;
            current = static_cast<int>(i);
        }
    }
    FifoCache cache(cacheSize);
    bool wanted = pieces[current].tris.size() % 2 == 0;
    bool firstPiece = true;
    std::vector<bool> visited(pieces.size(), false);
    while (current >= 0) {
        visited[current] = true;
        for (int t : pieces[current].tris) cache.AddTriangle(info.tris[t]);
        order.push_back(current);
        if (!firstPiece && pieces[current].tris.size() % 2 == 1)
            wanted = !wanted;
        firstPiece = false;
        std::vector<int> candidates;
        for (int t : pieces[current].tris) {
            for (int v : {info.tris[t].c0, info.tris[t].c1, info.tris[t].c2}) {
                for (int p : byVertex[v]) {
                    if (std::find(candidates.begin(), candidates.end(), p) == candidates.end())
                        candidates.push_back(p);
                }
            }
        }
        int best = -1;
        float bestRatio = -1.0f;
        for (int p : candidates) {
            if (visited[p])
                continue;
            int hits = 0;
            for (int t : pieces[p].tris) hits += cache.CountCached(info.tris[t]);
            const float ratio =
                static_cast<float>(hits) / static_cast<float>(pieces[p].tris.size());
            if (ratio > bestRatio ||
                (ratio == bestRatio && WindingTest(pieces[p], info) == wanted)) {
                best = p;
                bestRatio = std::max(bestRatio, ratio);
            }
        }
        if (best < 0) {
            for (size_t i = 0; i < pieces.size() && best < 0; ++i) {
                if (!visited[i])
                    best = static_cast<int>(i);
            }
        }
        current = best;
    }
    return order;
}

}  // namespace

TEST(StripPieces, IncrementalOrdersMatchRescanning) {
    const std::vector<std::vector<uint16_t>> meshes = {
        geomtest::GridIndices(20, 11), geomtest::RandomIndices(700, 600, 4),
        geomtest::RandomIndices(700, 40, 5), geomtest::CubeIndices()};
    for (const auto& idx : meshes) {
        int maxIndex = 0;
        for (uint16_t v : idx) maxIndex = std::max<int>(maxIndex, v);
        StripifyInfo info;
        BuildStripifyInfo(idx.data(), idx.size(), maxIndex, info, nullptr);
        const std::vector<StripPiece> pieces =
            SplitStrips(Stripper(info, nullptr).FindStrips(), info, 10);

        std::vector<int> loose;
        for (const StripPiece& p : pieces) loose.insert(loose.end(), p.tris.begin(), p.tris.end());
        for (int cacheSize : {1, 3, 10}) {
            EXPECT_EQ(OrderLooseTriangles(loose, info, cacheSize),
                      NaiveLooseOrder(loose, info, cacheSize));
            std::vector<int> order;
            std::vector<StripPiece> ordered = OrderPieces(pieces, info, cacheSize);
            // pieces are told apart by their first triangle
            for (const StripPiece& p : ordered) {
                for (size_t i = 0; i < pieces.size(); ++i) {
                    if (pieces[i].tris == p.tris)
                        order.push_back(static_cast<int>(i));
                }
            }
            EXPECT_EQ(order, NaivePieceOrder(pieces, info, cacheSize));
        }
    }
}
