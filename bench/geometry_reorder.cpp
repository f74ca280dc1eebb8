// Triangle reordering for the vertex cache: time of MakeIndexRuns plus
// RenumberRunVertices as the mesh writer calls them, and the average cache
// miss ratio (misses per triangle, 16-entry FIFO) before and after, beside
// meshoptimizer's FIFO optimiser on the same meshes when it is available.
// Each BM_StripReorder row also times the plain procedure kept for the tests
// (ref_ms), the production generator (fast_ms, same measure), their ratio
// (speedup), whether both gave the same list (identical), and meshoptimizer
// (meshopt_ms): the best of a few runs each, processor time, one thread.
//
// Meshes: a grid in natural order, the same grid shuffled (random triangle
// order and vertex numbers), and a random soup with half as many vertices as
// triangles; 1000, ~5000 and 21845 (grid: 21844) triangles.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <numeric>
#include <random>
#include <string>

#include "MeshAnimConverter/geometry/StripGenerator.h"
#include "bench/GeometryBench.h"
#include "tests/MeshAnimConverter/geometry/GeometryTestMeshes.h"
#include "tests/MeshAnimConverter/geometry/StripGeneratorReference.h"

#ifdef VANTOK_HAVE_MESHOPTIMIZER
#include <meshoptimizer.h>
#endif

namespace {

constexpr int kCacheEntries = 16;

struct BenchMesh {
    std::vector<uint16_t> indices;
    int vertexCount = 0;
};

int VertexCount(const std::vector<uint16_t>& idx) {
    return idx.empty() ? 0 : *std::max_element(idx.begin(), idx.end()) + 1;
}

// kind 0 grid, 1 shuffled grid, 2 random soup; size 0, 1, 2 = ~1000, ~5000, 21845
BenchMesh MakeMesh(int kind, int size) {
    static const int gridW[] = {25, 50, 127};
    static const int gridH[] = {20, 50, 86};
    static const int soup[] = {1000, 5000, 21845};
    BenchMesh m;
    if (kind == 2) {
        m.indices = geomtest::RandomIndices(soup[size], soup[size] / 2, 99);
    } else {
        m.indices = geomtest::GridIndices(gridW[size], gridH[size]);
        if (kind == 1) {
            std::mt19937 rng(17);
            const int n = VertexCount(m.indices);
            std::vector<uint16_t> rename(static_cast<size_t>(n));
            std::iota(rename.begin(), rename.end(), 0);
            std::shuffle(rename.begin(), rename.end(), rng);
            std::vector<size_t> order(m.indices.size() / 3);
            std::iota(order.begin(), order.end(), 0);
            std::shuffle(order.begin(), order.end(), rng);
            std::vector<uint16_t> shuffled;
            for (size_t t : order) {
                for (int c = 0; c < 3; ++c) shuffled.push_back(rename[m.indices[t * 3 + c]]);
            }
            m.indices = shuffled;
        }
    }
    m.vertexCount = VertexCount(m.indices);
    return m;
}

const char* KindName(int kind) {
    return kind == 0 ? "grid" : kind == 1 ? "shuffled" : "random";
}

// Misses per triangle for a FIFO cache of distinct vertices.
template <typename Index>
double MissRatio(const std::vector<Index>& idx) {
    std::vector<int> cache(kCacheEntries, -1);
    size_t misses = 0;
    for (Index v : idx) {
        if (std::find(cache.begin(), cache.end(), static_cast<int>(v)) != cache.end())
            continue;
        ++misses;
        std::copy_backward(cache.begin(), cache.end() - 1, cache.end());
        cache[0] = static_cast<int>(v);
    }
    return idx.empty() ? 0.0 : static_cast<double>(misses) / static_cast<double>(idx.size() / 3);
}

std::vector<uint16_t> Reorder(const BenchMesh& m) {
    std::vector<IndexRun> runs;
    std::vector<IndexRun> renumbered;
    std::string diagnostics;
    MakeIndexRuns(m.indices, ConverterStripOptions(), runs, false, &diagnostics);
    RenumberRunVertices(runs, static_cast<uint32_t>(m.vertexCount), renumbered);
    return renumbered.empty() ? std::vector<uint16_t>{} : renumbered[0].indices;
}

// The same call sequence with the plain procedure in place of MakeIndexRuns.
std::vector<uint16_t> ReorderPlain(const BenchMesh& m) {
    std::string diagnostics;
    std::vector<IndexRun> runs(1);
    runs[0].kind = 0;
    runs[0].indices = stripref::MakeList(m.indices, ConverterStripOptions(), &diagnostics);
    runs[0].indexCount = static_cast<uint32_t>(runs[0].indices.size());
    std::vector<IndexRun> renumbered;
    RenumberRunVertices(runs, static_cast<uint32_t>(m.vertexCount), renumbered);
    return renumbered.empty() ? std::vector<uint16_t>{} : renumbered[0].indices;
}

void BM_StripReorder(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    const BenchMesh m = MakeMesh(kind, static_cast<int>(state.range(1)));
    std::vector<uint16_t> out = Reorder(m);
    std::vector<uint16_t> plain;
    const double refMs = BestMs(3, [&] { plain = ReorderPlain(m); });
    const double fastMs = BestMs(10, [&] { out = Reorder(m); });
    state.counters["ref_ms"] = refMs;
    state.counters["fast_ms"] = fastMs;
    state.counters["speedup"] = refMs / fastMs;
    state.counters["identical"] = static_cast<double>(plain == out);
#ifdef VANTOK_HAVE_MESHOPTIMIZER
    const std::vector<uint32_t> in(m.indices.begin(), m.indices.end());
    std::vector<uint32_t> peer(in.size());
    state.counters["meshopt_ms"] = BestMs(10, [&] {
        meshopt_optimizeVertexCacheFifo(peer.data(), in.data(), in.size(),
                                        static_cast<size_t>(m.vertexCount), kCacheEntries);
    });
#endif
    for (auto _ : state) {
        out = Reorder(m);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetLabel(KindName(kind));
    state.counters["tris"] = static_cast<double>(m.indices.size() / 3);
    state.counters["acmr_before"] = MissRatio(m.indices);
    state.counters["acmr_after"] = MissRatio(out);
    state.counters["kept"] = static_cast<double>(out.size() == m.indices.size());
}

#ifdef VANTOK_HAVE_MESHOPTIMIZER
void BM_MeshoptFifo(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    const BenchMesh m = MakeMesh(kind, static_cast<int>(state.range(1)));
    const std::vector<uint32_t> in(m.indices.begin(), m.indices.end());
    std::vector<uint32_t> out(in.size());
    for (auto _ : state) {
        meshopt_optimizeVertexCacheFifo(out.data(), in.data(), in.size(),
                                        static_cast<size_t>(m.vertexCount), kCacheEntries);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetLabel(KindName(kind));
    state.counters["tris"] = static_cast<double>(m.indices.size() / 3);
    state.counters["acmr_before"] = MissRatio(m.indices);
    state.counters["acmr_after"] = MissRatio(out);
}
#endif

void MeshArgs(benchmark::internal::Benchmark* b) {
    for (int kind = 0; kind < 3; ++kind) {
        for (int size = 0; size < 3; ++size) b->Args({kind, size});
    }
    b->ArgNames({"kind", "size"});
    b->Unit(benchmark::kMillisecond);
}

}  // namespace

BENCHMARK(BM_StripReorder)->Apply(MeshArgs);
#ifdef VANTOK_HAVE_MESHOPTIMIZER
BENCHMARK(BM_MeshoptFifo)->Apply(MeshArgs);
#endif
