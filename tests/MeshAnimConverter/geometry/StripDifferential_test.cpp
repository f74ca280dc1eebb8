// The production strip generator against the plain procedure: the same list,
// in the same order, and the same diagnostic text, over many kinds of mesh
// and option settings; and two generators running at once on two threads.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <string>
#include <thread>

#include "MeshAnimConverter/geometry/StripGenerator.h"
#include "tests/MeshAnimConverter/geometry/GeometryTestMeshes.h"
#include "tests/MeshAnimConverter/geometry/StripGeneratorReference.h"
#include "tests/MeshAnimConverter/geometry/StripTestMeshes.h"

namespace {

using Indices = std::vector<uint16_t>;

struct NamedMesh {
    std::string name;
    Indices idx;
};

// Random triangle order and vertex numbers, same triangles and windings.
Indices Shuffled(const Indices& idx, unsigned seed) {
    std::mt19937 rng(seed);
    const int n = idx.empty() ? 0 : *std::max_element(idx.begin(), idx.end()) + 1;
    std::vector<uint16_t> rename(static_cast<size_t>(n));
    std::iota(rename.begin(), rename.end(), 0);
    std::shuffle(rename.begin(), rename.end(), rng);
    std::vector<size_t> order(idx.size() / 3);
    std::iota(order.begin(), order.end(), 0);
    std::shuffle(order.begin(), order.end(), rng);
    Indices out;
    for (size_t t : order) {
        for (int c = 0; c < 3; ++c) out.push_back(rename[idx[t * 3 + c]]);
    }
    return out;
}

// A fan of n triangles around vertex 0.
Indices Fan(int n, bool closed) {
    Indices idx;
    for (int i = 1; i <= n; ++i) {
        const int next = closed && i == n ? 1 : i + 1;
        idx.insert(idx.end(), {0, static_cast<uint16_t>(i), static_cast<uint16_t>(next)});
    }
    return idx;
}

// A closed w × h torus grid: every edge has two triangles.
Indices Torus(int w, int h) {
    Indices idx;
    auto at = [&](int x, int y) { return static_cast<uint16_t>((y % h) * w + (x % w)); };
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            idx.insert(idx.end(), {at(x, y), at(x + 1, y), at(x + 1, y + 1)});
            idx.insert(idx.end(), {at(x, y), at(x + 1, y + 1), at(x, y + 1)});
        }
    }
    return idx;
}

// A strip in list form with degenerate triangles, exact repeats and rotated
// repeats mixed in at random places.
Indices WithDegeneratesAndRepeats(const Indices& base, unsigned seed) {
    std::mt19937 rng(seed);
    Indices idx;
    for (size_t t = 0; t + 2 < base.size(); t += 3) {
        const uint16_t a = base[t], b = base[t + 1], c = base[t + 2];
        idx.insert(idx.end(), {a, b, c});
        switch (rng() % 8) {
            case 0:
                idx.insert(idx.end(), {a, a, b});
                break;  // degenerate
            case 1:
                idx.insert(idx.end(), {a, b, c});
                break;  // exact repeat
            case 2:
                idx.insert(idx.end(), {b, c, a});
                break;  // rotation: kept
            case 3:
                idx.insert(idx.end(), {a, c, b});
                break;  // reversed: kept
            default:
                break;
        }
    }
    return idx;
}

// Extra triangles on edges that already have two: 3 to 5 on some edges.
Indices NonManifold(const Indices& base, int extraVertex, unsigned seed) {
    std::mt19937 rng(seed);
    Indices idx = base;
    for (size_t t = 0; t + 2 < base.size(); t += 3) {
        if (rng() % 4 != 0)
            continue;
        const int copies = 1 + static_cast<int>(rng() % 3);
        for (int k = 0; k < copies; ++k) {
            idx.insert(idx.end(), {base[t], base[t + 1], static_cast<uint16_t>(extraVertex + k)});
        }
    }
    return idx;
}

std::vector<NamedMesh> Meshes() {
    std::vector<NamedMesh> m;
    m.push_back({"empty", {}});
    m.push_back({"one", {0, 1, 2}});
    m.push_back({"two", {0, 1, 2, 2, 1, 3}});
    m.push_back({"two apart", {5, 9, 7, 1, 2, 3}});
    m.push_back({"degenerate only", {0, 0, 1, 4, 5, 4}});
    m.push_back({"partial", {0, 1, 2, 3, 4}});
    m.push_back({"cube", geomtest::CubeIndices()});
    m.push_back({"tetrahedron", {0, 1, 2, 0, 3, 1, 1, 3, 2, 2, 3, 0}});
    m.push_back({"torus", Torus(9, 7)});
    m.push_back({"torus shuffled", Shuffled(Torus(12, 10), 3)});
    m.push_back({"fan", Fan(30, false)});
    m.push_back({"fan closed", Fan(17, true)});
    for (auto [w, h] : {std::pair{1, 1}, {2, 2}, {3, 1}, {7, 5}, {16, 16}, {40, 3}}) {
        const std::string size = std::to_string(w) + "x" + std::to_string(h);
        m.push_back({"grid " + size, geomtest::GridIndices(w, h)});
        m.push_back({"shuffled grid " + size, Shuffled(geomtest::GridIndices(w, h), 11)});
    }
    m.push_back({"repeats", WithDegeneratesAndRepeats(geomtest::GridIndices(9, 6), 5)});
    m.push_back({"repeats shuffled",
                 WithDegeneratesAndRepeats(Shuffled(geomtest::GridIndices(12, 8), 6), 7)});
    m.push_back({"non-manifold", NonManifold(geomtest::GridIndices(8, 8), 200, 8)});
    m.push_back({"non-manifold torus", NonManifold(Torus(8, 6), 100, 9)});
    for (unsigned seed = 1; seed <= 6; ++seed) {
        // dense soups share many edges (and put 3+ triangles on some)
        const int vertices[] = {12, 30, 80, 300, 1000, 40};
        m.push_back(
            {"random " + std::to_string(seed),
             geomtest::RandomIndices(150 + 60 * static_cast<int>(seed), vertices[seed - 1], seed)});
    }
    m.push_back({"large indices", {65535, 65534, 0, 0, 65534, 40000}});
    return m;
}

StripOptions Options(int cacheSize, unsigned minLength) {
    StripOptions o;
    o.cacheSize = cacheSize;
    o.stitch = true;
    o.minLength = minLength;
    o.listsOnly = true;
    return o;
}

Indices Fast(const Indices& idx, const StripOptions& o, std::string* diagnostics) {
    std::vector<IndexRun> runs;
    EXPECT_TRUE(MakeIndexRuns(idx, o, runs, false, diagnostics));
    EXPECT_EQ(runs.size(), 1u);
    return runs.empty() ? Indices{} : runs[0].indices;
}

}  // namespace

// The converter's setting (16, 0) and others: tiny and huge caches (internal
// sizes 1, 2, 10, 18, 94), pieces dropped to the loose order.
TEST(StripDifferential, SameListAndTextAsPlainProcedure) {
    const std::pair<int, unsigned> settings[] = {{16, 0},  {24, 0}, {3, 0},   {8, 0},
                                                 {100, 0}, {16, 3}, {7, 100}, {12, 5}};
    for (const NamedMesh& mesh : Meshes()) {
        for (const auto& [cacheSize, minLength] : settings) {
            const StripOptions o = Options(cacheSize, minLength);
            std::string fastText;
            std::string plainText;
            const Indices fast = Fast(mesh.idx, o, &fastText);
            const Indices plain = stripref::MakeList(mesh.idx, o, &plainText);
            EXPECT_EQ(fast, plain) << mesh.name << " cache " << cacheSize << " min " << minLength;
            EXPECT_EQ(fastText, plainText) << mesh.name;
        }
    }
}

// The first `triangles` triangles of a list.
Indices Cut(Indices idx, size_t triangles) {
    idx.resize(std::min(idx.size(), triangles * 3));
    return idx;
}

// Chunk-sized meshes at the converter's setting. The long region cut at the
// chunk limit (21,845 triangles) is the shape the benchmark file's chunks
// have: many passes, trials of thousands of triangles, strips of many
// lengths for the piece order.
TEST(StripDifferential, ChunkSizedMeshes) {
    const StripOptions o = Options(16, 0);
    const NamedMesh meshes[] = {
        {"region at the chunk limit", Cut(geomtest::GridIndices(62, 177), 21845)},
        {"row-order region", striptest::RowOrderRegion(63, 200, 9000)},
        {"grid", geomtest::GridIndices(60, 40)},
        {"shuffled grid", Shuffled(geomtest::GridIndices(50, 40), 21)},
        {"random soup", geomtest::RandomIndices(4000, 2000, 22)},
        {"dense soup", geomtest::RandomIndices(3000, 150, 23)},
    };
    for (const NamedMesh& mesh : meshes) {
        std::string fastText;
        std::string plainText;
        EXPECT_EQ(Fast(mesh.idx, o, &fastText), stripref::MakeList(mesh.idx, o, &plainText))
            << mesh.name;
        EXPECT_EQ(fastText, plainText) << mesh.name;
    }
}

// Small meshes of every kind, many seeds: closed ones whose walks meet (a
// trial's twin grows other strips), open ones whose walks stay apart (the
// twin is skipped), fans that wrap onto their own vertices, holes.
TEST(StripDifferential, RandomSmallMeshes) {
    const StripOptions o = Options(16, 0);
    std::mt19937 rng(41);
    auto pick = [&rng](int lo, int hi) { return lo + static_cast<int>(rng() % (hi - lo + 1)); };
    for (int round = 0; round < 120; ++round) {
        Indices idx;
        switch (round % 6) {
            case 0:
                idx = Torus(pick(3, 9), pick(3, 9));
                break;
            case 1:
                idx = Fan(pick(3, 14), rng() % 2 == 0);
                break;
            case 2:
                idx = striptest::RowOrderRegion(pick(1, 12), pick(1, 12), 1000);
                break;
            case 3: {
                // a grid with random triangles left out
                const Indices grid = geomtest::GridIndices(pick(2, 10), pick(2, 10));
                for (size_t t = 0; t + 2 < grid.size(); t += 3) {
                    if (rng() % 5 != 0)
                        idx.insert(idx.end(), grid.begin() + static_cast<long>(t),
                                   grid.begin() + static_cast<long>(t + 3));
                }
                break;
            }
            case 4:
                idx = Shuffled(Torus(pick(3, 7), pick(3, 7)), rng());
                break;
            default:
                idx = geomtest::RandomIndices(pick(5, 120), pick(4, 40), rng());
                break;
        }
        std::string fastText;
        std::string plainText;
        EXPECT_EQ(Fast(idx, o, &fastText), stripref::MakeList(idx, o, &plainText))
            << "round " << round;
        EXPECT_EQ(fastText, plainText) << "round " << round;
    }
}

// The third triangle on an edge is reported by both, once per such triangle.
TEST(StripDifferential, DiagnosticsCountedByConstruction) {
    // (0, 1) carries four triangles: the third and fourth are reported
    const Indices idx = {0, 1, 2, 1, 0, 3, 0, 1, 4, 1, 0, 5};
    const std::string line =
        "BuildStripifyInfo: > 2 triangles on an edge... uncertain consequences\n";
    std::string fastText;
    std::string plainText;
    EXPECT_EQ(Fast(idx, Options(16, 0), &fastText).size(), 12u);
    stripref::MakeList(idx, Options(16, 0), &plainText);
    EXPECT_EQ(fastText, line + line);
    EXPECT_EQ(plainText, line + line);
    // no sink: the text is dropped, the list is the same
    EXPECT_EQ(Fast(idx, Options(16, 0), nullptr), stripref::MakeList(idx, Options(16, 0), nullptr));
}

// Two reorders at once, each on its own thread, give what they give alone.
TEST(StripDifferential, TwoThreadsMatchSequentialRuns) {
    const Indices meshes[2] = {Shuffled(geomtest::GridIndices(60, 50), 31),
                               NonManifold(geomtest::RandomIndices(5000, 1500, 32), 1600, 33)};
    const StripOptions options[2] = {Options(16, 0), Options(20, 2)};
    Indices expected[2];
    std::string expectedText[2];
    for (int i = 0; i < 2; ++i) expected[i] = Fast(meshes[i], options[i], &expectedText[i]);
    ASSERT_FALSE(expectedText[1].empty());

    Indices got[2][3];
    std::string gotText[2][3];
    std::thread workers[2];
    for (int i = 0; i < 2; ++i) {
        workers[i] = std::thread([&, i] {
            for (int round = 0; round < 3; ++round) {
                std::vector<IndexRun> runs;
                MakeIndexRuns(meshes[i], options[i], runs, false, &gotText[i][round]);
                got[i][round] = runs.empty() ? Indices{} : runs[0].indices;
            }
        });
    }
    for (std::thread& w : workers) w.join();
    for (int i = 0; i < 2; ++i) {
        for (int round = 0; round < 3; ++round) {
            EXPECT_EQ(got[i][round], expected[i]) << "mesh " << i << " round " << round;
            EXPECT_EQ(gotText[i][round], expectedText[i]) << "mesh " << i;
        }
    }
}
