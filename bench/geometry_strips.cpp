// The strip search on chunks shaped like the shared benchmark file's: a
// region of its height-field grid in row order, cut at the chunk limit of
// 21,845 triangles; 63 and 62 quads wide (its four-material chunks) and 137
// (one material, 30,000 triangles). Each row gives the search alone (tables
// and trials: search_ns_per_tri, best of a few runs, processor time), the
// whole reorder (reorder_ms), the plain procedure kept for the tests on the
// same mesh (ref_ms, once) and whether its list is the same (identical), and
// meshoptimizer's strip generator on the same triangles (meshopt_ms) when that
// library is available.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <string>

#include "MeshAnimConverter/geometry/StripGenerator.h"
#include "MeshAnimConverter/geometry/StripifyInfo.h"
#include "MeshAnimConverter/geometry/Stripper.h"
#include "bench/GeometryBench.h"
#include "tests/MeshAnimConverter/geometry/StripGeneratorReference.h"
#include "tests/MeshAnimConverter/geometry/StripTestMeshes.h"

#ifdef VANTOK_HAVE_MESHOPTIMIZER
#include <meshoptimizer.h>
#endif

namespace {

constexpr size_t kChunkTriangles = 21845;

// Tables and strip search, as MakeIndexRuns runs them; the strips found.
size_t Search(const std::vector<uint16_t>& idx, size_t& twinsSkipped) {
    const int maxIndex = *std::max_element(idx.begin(), idx.end());
    StripifyInfo info;
    std::string diagnostics;
    BuildStripifyInfo(idx.data(), idx.size(), maxIndex, info, &diagnostics);
    Stripper stripper(info, &diagnostics);
    const size_t strips = stripper.FindStrips().size();
    twinsSkipped = stripper.TwinsSkipped();
    return strips;
}

void BM_StripSearch(benchmark::State& state) {
    const int columns = static_cast<int>(state.range(0));
    const std::vector<uint16_t> idx = striptest::RowOrderRegion(columns, 400, kChunkTriangles);
    const double tris = static_cast<double>(idx.size() / 3);
    size_t strips = 0;
    size_t skipped = 0;
    const double searchMs = BestMs(5, [&] { strips = Search(idx, skipped); });

    std::vector<IndexRun> runs;
    const double reorderMs =
        BestMs(3, [&] { MakeIndexRuns(idx, ConverterStripOptions(), runs, false, nullptr); });
    std::vector<uint16_t> plain;
    const double refMs =
        BestMs(1, [&] { plain = stripref::MakeList(idx, ConverterStripOptions(), nullptr); });
    state.counters["search_ns_per_tri"] = searchMs * 1e6 / tris;
    state.counters["reorder_ms"] = reorderMs;
    state.counters["ref_ms"] = refMs;
    state.counters["identical"] = static_cast<double>(!runs.empty() && runs[0].indices == plain);
#ifdef VANTOK_HAVE_MESHOPTIMIZER
    const std::vector<uint32_t> in(idx.begin(), idx.end());
    const size_t vertexCount = static_cast<size_t>(*std::max_element(in.begin(), in.end())) + 1;
    std::vector<uint32_t> peer(meshopt_stripifyBound(in.size()));
    state.counters["meshopt_ms"] =
        BestMs(5, [&] { meshopt_stripify(peer.data(), in.data(), in.size(), vertexCount, ~0u); });
#endif
    for (auto _ : state) {
        strips = Search(idx, skipped);
        benchmark::DoNotOptimize(strips);
    }
    state.SetLabel(std::to_string(columns) + " wide, row order");
    state.counters["tris"] = tris;
    state.counters["strips"] = static_cast<double>(strips);
    state.counters["twins_skipped"] = static_cast<double>(skipped);
}

}  // namespace

BENCHMARK(BM_StripSearch)
    ->Arg(63)
    ->Arg(62)
    ->Arg(137)
    ->ArgName("columns")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
