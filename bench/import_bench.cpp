// vantok-import on one generated model: a 250 x 200 grid of quads written as 100,000 OBJ
// triangles with normals and texture coordinates. BM_AssimpLoad is assimp's own load with the
// importer's post-processing (the peer); BM_Import adds the extraction into the interchange
// records; BM_ImportAndWrite is the whole tool run without --convert (load, extraction, the
// interchange text and its replace-on-commit write). Counter: triangles per second.
#include <assimp/scene.h>
#include <benchmark/benchmark.h>

#include <assimp/Importer.hpp>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "tools/import/ImportRun.h"
#include "tools/import/ModelImporter.h"

namespace {

namespace fs = std::filesystem;

constexpr int kColumns = 250;
constexpr int kRows = 200;
constexpr int kTriangles = 2 * kColumns * kRows;

const std::string& GeneratedModel() {
    static const std::string path = [] {
        const fs::path folder = fs::temp_directory_path() / "vantok_import_bench";
        fs::create_directories(folder);
        const fs::path obj = folder / "grid.obj";
        std::ofstream out(obj);
        for (int r = 0; r <= kRows; ++r) {
            for (int c = 0; c <= kColumns; ++c) {
                const float height = std::sin(c * 0.1f) * std::cos(r * 0.1f);
                out << "v " << c << ' ' << height << ' ' << r << '\n'
                    << "vt " << c / float(kColumns) << ' ' << r / float(kRows) << '\n'
                    << "vn 0 1 0\n";
            }
        }
        const int stride = kColumns + 1;
        for (int r = 0; r < kRows; ++r) {
            for (int c = 0; c < kColumns; ++c) {
                const int a = r * stride + c + 1, b = a + 1, d = a + stride, e = d + 1;
                out << "f " << a << '/' << a << '/' << a << ' ' << d << '/' << d << '/' << d << ' '
                    << b << '/' << b << '/' << b << '\n'
                    << "f " << b << '/' << b << '/' << b << ' ' << d << '/' << d << '/' << d << ' '
                    << e << '/' << e << '/' << e << '\n';
            }
        }
        return obj.string();
    }();
    return path;
}

void BM_AssimpLoad(benchmark::State& state) {
    const std::string& model = GeneratedModel();
    for (auto _ : state) {
        Assimp::Importer importer;
        const aiScene* scene = importer.ReadFile(model, ImportPostProcessFlags());
        benchmark::DoNotOptimize(scene);
        if (scene == nullptr) {
            state.SkipWithError("assimp could not read the model");
            break;
        }
    }
    state.counters["triangles"] =
        benchmark::Counter(kTriangles, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_Import(benchmark::State& state) {
    ImportOptions options;
    options.modelPath = GeneratedModel();
    for (auto _ : state) {
        ImportedModel model;
        std::string error;
        if (!ImportModel(options, "grid", model, error) ||
            model.triangles.size() != static_cast<size_t>(kTriangles)) {
            state.SkipWithError("the import failed");
            break;
        }
        benchmark::DoNotOptimize(model.triangles.data());
    }
    state.counters["triangles"] =
        benchmark::Counter(kTriangles, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_ImportAndWrite(benchmark::State& state) {
    ImportOptions options;
    options.modelPath = GeneratedModel();
    std::FILE* sink = std::tmpfile();
    for (auto _ : state) {
        if (RunImport(options, sink, sink) != 0) {
            state.SkipWithError("the import run failed");
            break;
        }
        std::rewind(sink);
    }
    std::fclose(sink);
    state.counters["triangles"] =
        benchmark::Counter(kTriangles, benchmark::Counter::kIsIterationInvariantRate);
}

}  // namespace

BENCHMARK(BM_AssimpLoad)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_Import)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_ImportAndWrite)->Unit(benchmark::kMillisecond)->MinTime(2.0);
