// The conversion of one generated skinned mesh: 100,000 triangles in one material (so the IM
// file has five chunks of at most 21,845 triangles), 8 bones, two weights per corner, and one
// animation of 100 frames. BM_Convert runs the whole conversion as the program does; the
// BM_Stage benchmarks time each stage alone on inputs prepared outside the timed loop:
// read (interchange text to scene), fill (scene to generic mesh), build (the indexed mesh:
// chunks, welding, weights), optimise (the per-chunk tangent, reorder and face-normal steps),
// write_im (WriteIndexedMeshFile, which builds and optimises again and then writes) and
// write_kin.
//
// Counters: bytes_per_second is interchange text (MB/s = bytes_per_second / 1e6 for the whole
// conversion and the read stage), "triangles" a rate per second, "peak_MB" the process's peak
// resident size so far (POSIX only).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include "InterchangeBuilder.h"
#include "MeshAnimConverter/anim/ConverterExGenericSkeleton.h"
#include "MeshAnimConverter/anim/KinFileWriter.h"
#include "MeshAnimConverter/driver/ConvertProcess.h"
#include "MeshAnimConverter/driver/LogFile.h"
#include "MeshAnimConverter/mesh/ChunkOptimisation.h"
#include "MeshAnimConverter/mesh/FillGenericMesh.h"
#include "MeshAnimConverter/mesh/GenericMesh.h"
#include "MeshAnimConverter/mesh/IndexedMesh.h"
#include "MeshAnimConverter/mesh/IndexedMeshWriter.h"
#include "MeshAnimConverter/report/ExportUserInterface.h"
#include "MeshAnimConverter/scene/InterchangeReader.h"
#include "MeshAnimConverter/scene/SceneData.h"
#include "tests/MeshAnimConverter/StageTestSupport.h"
#include "toolkit/WinDebug.h"

namespace {

namespace fs = std::filesystem;

constexpr int kColumns = 250;  // 250 x 200 quads = 100,000 triangles
constexpr int kRows = 200;
constexpr int kBones = 8;
constexpr int kFrames = 100;

struct Input {
    std::string folder;
    std::string xml;
    size_t bytes = 0;
    int triangles = 0;
};

// A wavy grid, bones along x, each corner weighted by the two nearest bones.
const Input& GeneratedInput() {
    static Input input = [] {
        InterchangeBuilder b;
        IxMaterial& material = b.materials.emplace_back();
        material.name = "Skin";
        material.textures.push_back({"skin.tga", "diffuse", 1, 1, 1.0f});
        for (int i = 0; i < kBones; ++i) {
            IxBone& bone = b.bones.emplace_back();
            bone.id = i;
            bone.name = "b.bone" + std::to_string(i);
            bone.parent = i == 0 ? "" : "b.bone" + std::to_string(i - 1);
            bone.position[0] = static_cast<float>(i * kColumns) / kBones;
        }
        auto corner = [](int x, int y) {
            IxCorner c;
            c.position[0] = static_cast<float>(x);
            c.position[1] = static_cast<float>(y);
            c.position[2] =
                std::sin(static_cast<float>(x) * 0.1f) * std::cos(static_cast<float>(y) * 0.07f);
            c.normal[0] = 0.1f * std::cos(static_cast<float>(x) * 0.1f);
            c.normal[1] = 0.0f;
            c.normal[2] = 1.0f;
            c.uv[0] = static_cast<float>(x) / kColumns;
            c.uv[1] = static_cast<float>(y) / kRows;
            const float along = static_cast<float>(x) * kBones / kColumns;
            const int first = std::min(static_cast<int>(along), kBones - 1);
            const int second = std::min(first + 1, kBones - 1);
            const float w = along - static_cast<float>(first);
            c.weights = {{first, 1.0f - w * 0.5f}, {second, w * 0.5f}};
            return c;
        };
        for (int y = 0; y < kRows; ++y) {
            for (int x = 0; x < kColumns; ++x) {
                IxTriangle& t0 = b.triangles.emplace_back();
                t0.corners[0] = corner(x, y);
                t0.corners[1] = corner(x + 1, y);
                t0.corners[2] = corner(x + 1, y + 1);
                IxTriangle& t1 = b.triangles.emplace_back();
                t1.corners[0] = corner(x, y);
                t1.corners[1] = corner(x + 1, y + 1);
                t1.corners[2] = corner(x, y + 1);
            }
        }
        IxAnimation& a = b.animations.emplace_back();
        a.name = "wave";
        for (int i = 0; i < kBones; ++i) {
            IxTrack& track = a.tracks.emplace_back();
            track.target = "b.bone" + std::to_string(i);
            for (int f = 0; f < kFrames; ++f) {
                IxKey& key = track.keys.emplace_back();
                key.position[0] = b.bones[static_cast<size_t>(i)].position[0];
                key.position[2] = 0.01f * static_cast<float>(f);
                const float h = 0.005f * static_cast<float>(f * (i + 1));
                key.rotation[2] = std::sin(h);
                key.rotation[3] = std::cos(h);
            }
        }
        Input in;
        in.folder = (fs::temp_directory_path() / "vantok_convert_bench").string();
        fs::create_directories(in.folder);
        in.xml = (fs::path(in.folder) / "skinned.xml").string();
        const std::string text = b.Text();
        std::FILE* f = std::fopen(in.xml.c_str(), "wb");
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
        in.bytes = text.size();
        in.triangles = static_cast<int>(b.triangles.size());
        return in;
    }();
    return input;
}

void Quiet() {
    static std::FILE* sink = std::tmpfile();
    programLog.SetOutput(sink);
    WinDebug::SetEnabled(false);
    std::rewind(sink);
}

void PeakMemory(benchmark::State& state) {
#ifndef _WIN32
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
#else
    (void)state;
#endif
}

void Rates(benchmark::State& state, const Input& in, bool bytes) {
    state.counters["triangles"] = benchmark::Counter(
        static_cast<double>(in.triangles) * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate);
    if (bytes) {
        state.SetBytesProcessed(static_cast<int64_t>(in.bytes) * state.iterations());
    }
    PeakMemory(state);
}

struct Prepared {
    SceneData scene;
    std::unique_ptr<GenericMesh> mesh;
    std::unique_ptr<ConverterExGenericSkeleton> skeleton;
};

Prepared& PreparedInput() {
    static Prepared p = [] {
        Prepared q;
        Quiet();
        int32_t version = 0;
        ReadInterchangeFile(GeneratedInput().xml.c_str(), version, q.scene, programLog,
                            TestPreparer());
        FillGenericMesh(q.scene, q.mesh, q.skeleton, programLog);
        return q;
    }();
    return p;
}

void BM_Convert(benchmark::State& state) {
    const Input& in = GeneratedInput();
    Quiet();
    for (auto _ : state) {
        ConvertProcess process;
        process.inFile = in.xml.c_str();
        process.outFile = (fs::path(in.folder) / "skinned").string().c_str();
        if (!process.Run()) {
            state.SkipWithError("conversion failed");
            break;
        }
    }
    Rates(state, in, true);
}

void BM_Stage_Read(benchmark::State& state) {
    const Input& in = GeneratedInput();
    Quiet();
    for (auto _ : state) {
        SceneData scene;
        int32_t version = 0;
        benchmark::DoNotOptimize(
            ReadInterchangeFile(in.xml.c_str(), version, scene, programLog, TestPreparer()));
    }
    Rates(state, in, true);
}

void BM_Stage_Fill(benchmark::State& state) {
    Prepared& p = PreparedInput();
    for (auto _ : state) {
        std::unique_ptr<GenericMesh> mesh;
        std::unique_ptr<ConverterExGenericSkeleton> skeleton;
        benchmark::DoNotOptimize(FillGenericMesh(p.scene, mesh, skeleton, programLog));
    }
    Rates(state, GeneratedInput(), false);
}

void BM_Stage_Build(benchmark::State& state) {
    Prepared& p = PreparedInput();
    p.mesh->skeleton = nullptr;
    NullExportUserInterface ui;
    for (auto _ : state) {
        ExIndexedMesh indexed(*p.mesh, false, ui);
        benchmark::DoNotOptimize(indexed.vertexTotal);
    }
    Rates(state, GeneratedInput(), false);
}

void BM_Stage_Optimise(benchmark::State& state) {
    Prepared& p = PreparedInput();
    p.mesh->skeleton = nullptr;
    NullExportUserInterface ui;
    for (auto _ : state) {
        state.PauseTiming();
        auto indexed = std::make_unique<ExIndexedMesh>(*p.mesh, false, ui);
        ComputeInfluenceStats(*indexed);
        state.ResumeTiming();
        for (uint32_t i = 0; i < indexed->ChunkCount(); ++i) {
            uint32_t vertices = 0;
            PrepareChunkForOutput(*indexed, i, true, vertices);
        }
        state.PauseTiming();
        indexed.reset();
        state.ResumeTiming();
    }
    Rates(state, GeneratedInput(), false);
}

void BM_Stage_WriteIm(benchmark::State& state) {
    Prepared& p = PreparedInput();
    p.mesh->skeleton = nullptr;
    Quiet();
    const std::string path = (fs::path(GeneratedInput().folder) / "stage.im").string();
    for (auto _ : state) {
        benchmark::DoNotOptimize(WriteIndexedMeshFile(path.c_str(), *p.mesh));
    }
    Rates(state, GeneratedInput(), false);
}

void BM_Stage_WriteKin(benchmark::State& state) {
    Prepared& p = PreparedInput();
    p.mesh->skeleton = p.skeleton.get();
    Quiet();
    const std::string path = (fs::path(GeneratedInput().folder) / "stage.kin").string();
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            WriteKinFile(*p.mesh, p.scene.animations[0], path.c_str(), p.scene));
    }
    Rates(state, GeneratedInput(), false);
}

}  // namespace

BENCHMARK(BM_Convert)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Stage_Read)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Stage_Fill)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Stage_Build)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Stage_Optimise)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Stage_WriteIm)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Stage_WriteKin)->Unit(benchmark::kMillisecond)->Iterations(3);
