// Tangent-frame generation time on a curved grid (smooth, few splits) and on
// a random soup over few positions (many triangles meet everywhere, many
// splits), 1000 to 21845 triangles.
#include <benchmark/benchmark.h>

#include <random>

#include "MeshAnimConverter/geometry/TangentFrameGenerator.h"
#include "tests/MeshAnimConverter/geometry/GeometryTestMeshes.h"

namespace {

struct TangentMesh {
    std::vector<TangentFrameGenerator::Vertex> vertices;
    std::vector<uint32_t> indices;
};

TangentMesh MakeTangentMesh(int kind, int size) {
    static const int gridW[] = {25, 50, 127};
    static const int gridH[] = {20, 50, 86};
    static const int soup[] = {1000, 5000, 21845};
    TangentMesh m;
    if (kind == 0) {
        m.vertices = geomtest::GridVertices(gridW[size], gridH[size], true);
        const auto idx = geomtest::GridIndices(gridW[size], gridH[size]);
        m.indices.assign(idx.begin(), idx.end());
    } else {
        const int numVertices = soup[size] / 2;
        std::mt19937 rng(3);
        std::uniform_int_distribution<int> cell(0, 15);
        std::uniform_real_distribution<float> uv(0.0f, 1.0f);
        for (int i = 0; i < numVertices; ++i) {
            m.vertices.push_back(
                geomtest::MakeVertex(static_cast<float>(cell(rng)), static_cast<float>(cell(rng)),
                                     static_cast<float>(cell(rng)), uv(rng), uv(rng)));
        }
        const auto idx = geomtest::RandomIndices(soup[size], numVertices, 4);
        m.indices.assign(idx.begin(), idx.end());
    }
    return m;
}

void BM_TangentFrames(benchmark::State& state) {
    const int kind = static_cast<int>(state.range(0));
    const TangentMesh m = MakeTangentMesh(kind, static_cast<int>(state.range(1)));
    size_t outVertices = 0;
    for (auto _ : state) {
        std::vector<TangentFrameGenerator::Vertex> vertices = m.vertices;
        std::vector<uint32_t> indices = m.indices;
        std::vector<uint32_t> mapping;
        TangentFrameGenerator gen;
        gen.Generate(vertices, indices, mapping, 0.0f, 0.0f, 0.0f);
        outVertices = vertices.size();
        benchmark::DoNotOptimize(vertices.data());
    }
    state.SetLabel(kind == 0 ? "curved grid" : "random soup");
    state.counters["tris"] = static_cast<double>(m.indices.size() / 3);
    state.counters["verts_in"] = static_cast<double>(m.vertices.size());
    state.counters["verts_out"] = static_cast<double>(outVertices);
}

}  // namespace

BENCHMARK(BM_TangentFrames)
    ->ArgsProduct({{0, 1}, {0, 1, 2}})
    ->ArgNames({"kind", "size"})
    ->Unit(benchmark::kMillisecond);
