// The conversion of generated skinned meshes, against pugixml parsing the same file.
//
// Input: a wavy grid of quads in one material (so the IM file of the 100,000-triangle mesh has
// five chunks of at most 21,845 triangles), 8 bones along x, two weights per corner, and one
// animation of 100 frames, written by the end-to-end tests' InterchangeBuilder row by row.
//
// The Google Benchmark part, on the 100,000-triangle file (about 99 MB): BM_PugixmlParse
// (pugixml's DOM parse of the file's bytes, the yardstick), BM_Convert (the whole conversion
// as the program runs it) and one BM_Stage benchmark per stage the code exposes, each on inputs
// prepared outside the timed loop: read (file to scene, the skeleton preparation included),
// fill (scene to generic mesh), build (chunks, welding, weights), optimise (the per-chunk
// tangent, reorder and face-normal steps, on one thread and on all), write_im (the writer on a
// built and optimised mesh) and write_kin; prepare is reading with the skeleton preparation
// less reading without it.
//
// First a table over 10k / 100k (and with --with-1m, 1M: about 1 GB, written to the temporary
// folder and deleted after) triangles, each converted by the built VantokMeshImporter
// (-outputKIN false) in a child process: time, MB/s and the child's peak resident memory
// (ru_maxrss) over the input size (--importer=PATH names another program, --no-table skips
// it). After the benchmarks a summary: pugixml's MB/s, the conversion's MB/s and triangles per
// second, their ratio and the per-stage split.
//
// With --shared-file=PATH (the team's benchmark file: gen_interchange.py 100000 PATH), first the
// yardstick on that file, in the same run: pugixml's load_buffer with the default flags on the
// file's bytes already in memory, the tree destroyed outside the timing, median of 3; the whole
// VantokMeshImporter process (-outputKIN false), median of 3 with its CPU time and peak memory,
// for the hardware's thread count and VANTOK_THREADS 1 and 2; their ratio; and the stage split
// (read, fill, build, optimise, write IM) run in this process on that file for 1 and 2 threads.
//
// The benchmark restarts itself once with the converter's allocator setting (huge pages where
// glibc has them), so every figure of this process is taken as the converter runs.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#ifndef _WIN32
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#endif

#include <pugixml.hpp>

#include "InterchangeBuilder.h"
#include "MeshAnimConverter/anim/ConverterExGenericSkeleton.h"
#include "MeshAnimConverter/anim/KinFileWriter.h"
#include "MeshAnimConverter/anim/SkeletonPreparation.h"
#include "MeshAnimConverter/driver/Conversion.h"
#include "MeshAnimConverter/driver/LogFile.h"
#include "MeshAnimConverter/driver/ThreadCount.h"
#include "MeshAnimConverter/mesh/ChunkOptimisation.h"
#include "MeshAnimConverter/mesh/FillGenericMesh.h"
#include "MeshAnimConverter/mesh/GenericMesh.h"
#include "MeshAnimConverter/mesh/IndexedMesh.h"
#include "MeshAnimConverter/mesh/IndexedMeshWriter.h"
#include "MeshAnimConverter/mesh/ParallelChunkOptimiser.h"
#include "MeshAnimConverter/report/ExportUserInterface.h"
#include "MeshAnimConverter/scene/InterchangeReader.h"
#include "MeshAnimConverter/scene/SceneData.h"
#include "MeshAnimConverter/scene/SkeletonPreparer.h"
#include "tests/MeshAnimConverter/StageTestSupport.h"
#include "toolkit/WinDebug.h"
#include "toolkit/platform/Platform.h"

#ifndef _WIN32
extern char** environ;
#endif

namespace {

namespace fs = std::filesystem;

constexpr int kBones = 8;
constexpr int kFrames = 100;
// Small batches keep this process small: the table's children start from its peak (see
// PrintTable).
constexpr int kRowsPerBatch = 4;

struct Grid {
    int columns;
    int rows;
    int Triangles() const { return 2 * columns * rows; }
};
constexpr Grid kMainGrid{250, 200};  // 100,000 triangles
constexpr Grid kTableGrids[] = {{100, 50}, {250, 200}, {1000, 500}};

// ---------------------------------------------------------------------------------------------
// Generated input

IxCorner Corner(const Grid& g, int x, int y) {
    IxCorner c;
    c.position[0] = static_cast<float>(x);
    c.position[1] = static_cast<float>(y);
    c.position[2] =
        std::sin(static_cast<float>(x) * 0.1f) * std::cos(static_cast<float>(y) * 0.07f);
    c.normal[0] = 0.1f * std::cos(static_cast<float>(x) * 0.1f);
    c.normal[1] = 0.0f;
    c.normal[2] = 1.0f;
    c.uv[0] = static_cast<float>(x) / static_cast<float>(g.columns);
    c.uv[1] = static_cast<float>(y) / static_cast<float>(g.rows);
    const float along = static_cast<float>(x) * kBones / static_cast<float>(g.columns);
    const int first = std::min(static_cast<int>(along), kBones - 1);
    const int second = std::min(first + 1, kBones - 1);
    const float w = along - static_cast<float>(first);
    c.weights = {{first, 1.0f - w * 0.5f}, {second, w * 0.5f}};
    return c;
}

// Everything but the triangles: material, bones and the animation.
InterchangeBuilder Frame(const Grid& g) {
    InterchangeBuilder b;
    IxMaterial& material = b.materials.emplace_back();
    material.name = "Skin";
    material.textures.push_back({"skin.tga", "diffuse", 1, 1, 1.0f});
    for (int i = 0; i < kBones; ++i) {
        IxBone& bone = b.bones.emplace_back();
        bone.id = i;
        bone.name = "b.bone" + std::to_string(i);
        bone.parent = i == 0 ? "" : "b.bone" + std::to_string(i - 1);
        bone.position[0] = static_cast<float>(i * g.columns) / kBones;
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
    return b;
}

// The builder's text between the triangles' start and end tags.
std::string TrianglesPart(const std::string& text, size_t* before, size_t* after) {
    static const char kOpen[] = "<triangles>\n";
    static const char kClose[] = "    </triangles>\n";
    *before = text.find(kOpen) + sizeof kOpen - 1;
    *after = text.find(kClose, *before);
    return text.substr(*before, *after - *before);
}

// Writes the grid's interchange file row batch by row batch (the 1M file never sits in memory
// whole); returns its size in bytes, 0 on a write error.
size_t WriteGridFile(const Grid& g, const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return 0;
    const std::string frame = Frame(g).Text();
    size_t before = 0, after = 0;
    TrianglesPart(frame, &before, &after);
    size_t bytes = 0;
    bool good = true;
    auto put = [&](const char* data, size_t n) {
        good = good && std::fwrite(data, 1, n, f) == n;
        bytes += n;
    };
    put(frame.data(), before);
    for (int y0 = 0; y0 < g.rows; y0 += kRowsPerBatch) {
        InterchangeBuilder batch;
        for (int y = y0; y < std::min(g.rows, y0 + kRowsPerBatch); ++y) {
            for (int x = 0; x < g.columns; ++x) {
                IxTriangle& t0 = batch.triangles.emplace_back();
                t0.corners[0] = Corner(g, x, y);
                t0.corners[1] = Corner(g, x + 1, y);
                t0.corners[2] = Corner(g, x + 1, y + 1);
                IxTriangle& t1 = batch.triangles.emplace_back();
                t1.corners[0] = Corner(g, x, y);
                t1.corners[1] = Corner(g, x + 1, y + 1);
                t1.corners[2] = Corner(g, x, y + 1);
            }
        }
        size_t b0 = 0, b1 = 0;
        const std::string part = TrianglesPart(batch.Text(), &b0, &b1);
        put(part.data(), part.size());
    }
    put(frame.data() + after, frame.size() - after);
    good = std::fclose(f) == 0 && good;
    return good ? bytes : 0;
}

fs::path Folder() {
    static const fs::path folder = [] {
        fs::path p = fs::temp_directory_path() / "vantok_convert_bench";
        fs::create_directories(p);
        return p;
    }();
    return folder;
}

struct Input {
    std::string xml;
    size_t bytes = 0;
    int triangles = 0;
};

const Input& GeneratedInput() {
    static Input input = [] {
        Input in;
        in.xml = (Folder() / "skinned.xml").string();
        in.bytes = WriteGridFile(kMainGrid, in.xml);
        in.triangles = kMainGrid.Triangles();
        return in;
    }();
    return input;
}

const std::string& InputBytes() {
    static const std::string bytes = [] {
        std::string s(GeneratedInput().bytes, '\0');
        std::FILE* f = std::fopen(GeneratedInput().xml.c_str(), "rb");
        if (f) {
            s.resize(std::fread(s.data(), 1, s.size(), f));
            std::fclose(f);
        }
        return s;
    }();
    return bytes;
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

// ---------------------------------------------------------------------------------------------
// Benchmarks

void BM_PugixmlParse(benchmark::State& state) {
    const std::string& text = InputBytes();
    for (auto _ : state) {
        pugi::xml_document doc;
        if (!doc.load_buffer(text.data(), text.size()))
            state.SkipWithError("pugixml could not parse the file");
        benchmark::DoNotOptimize(doc.first_child());
    }
    Rates(state, GeneratedInput(), true);
}

void BM_Convert(benchmark::State& state) {
    const Input& in = GeneratedInput();
    Quiet();
    const std::string out = (Folder() / "skinned").string();
    for (auto _ : state) {
        ConversionOptions options;
        options.inFile = in.xml;
        options.outFile = out;
        if (!RunConversion(options).success) {
            state.SkipWithError("conversion failed");
            break;
        }
    }
    Rates(state, in, true);
}

// Reading without the preparation: each block is read, nothing is conformed or completed.
class NoPreparation : public SkeletonPreparer {
public:
    void PrepareSkeleton(SceneData& scene) override { (void)scene; }
    bool PrepareAnimation(SceneData& scene, SceneAnimation& animation,
                          bool useLocalSpace) override {
        (void)scene;
        (void)animation;
        (void)useLocalSpace;
        return true;
    }
};

void BM_Stage_Read(benchmark::State& state) {
    const Input& in = GeneratedInput();
    Quiet();
    NoPreparation none;
    for (auto _ : state) {
        SceneData scene;
        int32_t version = 0;
        benchmark::DoNotOptimize(
            ReadInterchangeFile(in.xml.c_str(), version, scene, programLog, none));
    }
    Rates(state, in, true);
}

// Reading with the preparation the run hands the reader.
void BM_Stage_ReadPrepare(benchmark::State& state) {
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
    NullExportUserInterface ui;
    for (auto _ : state) {
        ExIndexedMesh indexed(*p.mesh, false, ui);
        benchmark::DoNotOptimize(indexed.vertexTotal);
    }
    Rates(state, GeneratedInput(), false);
}

// The per-chunk optimisation of every chunk, on one thread.
void BM_Stage_Optimise(benchmark::State& state) {
    Prepared& p = PreparedInput();
    NullExportUserInterface ui;
    for (auto _ : state) {
        state.PauseTiming();
        auto indexed = std::make_unique<ExIndexedMesh>(*p.mesh, false, ui);
        ComputeInfluenceStats(*indexed);
        state.ResumeTiming();
        for (uint32_t i = 0; i < indexed->ChunkCount(); ++i) {
            uint32_t vertices = 0;
            PrepareChunkForOutput(*indexed, i, true, vertices, nullptr);
        }
        state.PauseTiming();
        indexed.reset();
        state.ResumeTiming();
    }
    Rates(state, GeneratedInput(), false);
}

// The same on every hardware thread, as the run does it.
void BM_Stage_OptimiseParallel(benchmark::State& state) {
    Prepared& p = PreparedInput();
    NullExportUserInterface ui;
    for (auto _ : state) {
        state.PauseTiming();
        auto indexed = std::make_unique<ExIndexedMesh>(*p.mesh, false, ui);
        state.ResumeTiming();
        ParallelChunkOptimiser optimiser(ConfiguredThreadCount());
        optimiser.Begin(*indexed);
        for (uint32_t i = 0; i < indexed->ChunkCount(); ++i) {
            benchmark::DoNotOptimize(optimiser.Take(i).vertexCount);
        }
        state.PauseTiming();
        indexed.reset();
        state.ResumeTiming();
    }
    Rates(state, GeneratedInput(), false);
}

// Chunks handed over as they are: the writer's own work.
class AlreadyOptimised : public ChunkOptimiser {
public:
    void Begin(IndexedMesh& mesh) override { m_mesh = &mesh; }
    OptimisedChunk Take(uint32_t chunk) override {
        OptimisedChunk result;
        result.vertexCount = m_mesh->chunks[chunk]->VertexCount();
        return result;
    }

private:
    IndexedMesh* m_mesh = nullptr;
};

// Writing the .im of a built and optimised mesh (reference names, descriptors, chunks).
void BM_Stage_WriteIm(benchmark::State& state) {
    Prepared& p = PreparedInput();
    Quiet();
    NullExportUserInterface ui;
    ExIndexedMesh indexed(*p.mesh, false, ui);
    for (uint32_t i = 0; i < indexed.ChunkCount(); ++i) {
        uint32_t vertices = 0;
        PrepareChunkForOutput(indexed, i, true, vertices, nullptr);
    }
    const std::string path = (Folder() / "stage.im").string();
    AlreadyOptimised asIs;
    for (auto _ : state) {
        benchmark::DoNotOptimize(WriteIndexedMeshFile(path.c_str(), indexed, nullptr, asIs,
                                                      ReportContext{programLog, ui}));
    }
    Rates(state, GeneratedInput(), false);
}

void BM_Stage_WriteKin(benchmark::State& state) {
    Prepared& p = PreparedInput();
    Quiet();
    const std::string path = (Folder() / "stage.kin").string();
    for (auto _ : state) {
        benchmark::DoNotOptimize(WriteKinFile(p.skeleton.get(), p.scene.animations[0], path.c_str(),
                                              p.scene, programLog));
    }
    Rates(state, GeneratedInput(), false);
}

BENCHMARK(BM_PugixmlParse)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Convert)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Stage_Read)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Stage_ReadPrepare)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Stage_Fill)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Stage_Build)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Stage_Optimise)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Stage_OptimiseParallel)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Stage_WriteIm)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Stage_WriteKin)->Unit(benchmark::kMillisecond)->Iterations(3);

// ---------------------------------------------------------------------------------------------
// Summary

// Seconds per iteration (wall and CPU) of every benchmark run, by name.
struct Timing {
    double real = 0;
    double cpu = 0;
};

class CapturingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs) {
            if (r.error_occurred || r.iterations == 0)
                continue;
            const double n = static_cast<double>(r.iterations);
            m_timings[r.run_name.function_name] = {r.real_accumulated_time / n,
                                                   r.cpu_accumulated_time / n};
        }
        benchmark::ConsoleReporter::ReportRuns(runs);
    }
    void Add(const std::string& name, const Timing& timing) { m_timings[name] = timing; }
    const Timing* Find(const std::string& name) const {
        auto it = m_timings.find(name);
        return it == m_timings.end() ? nullptr : &it->second;
    }

private:
    std::map<std::string, Timing> m_timings;
};

struct ChildRun {
    bool ok = false;
    double seconds = 0;
    double cpuSeconds = 0;
    double peakMB = 0;
};

double Seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
}

// Runs the importer on one file in a child process; its peak resident memory from wait4.
// `threads`, when not null, is the child's VANTOK_THREADS.
ChildRun RunImporter(const std::string& importer, const std::string& xml, const std::string& out,
                     const char* threads = nullptr) {
    ChildRun result;
#ifndef _WIN32
    std::vector<std::string> variables;
    for (char** e = environ; *e != nullptr; ++e) {
        if (threads == nullptr || std::strncmp(*e, "VANTOK_THREADS=", 15) != 0)
            variables.emplace_back(*e);
    }
    if (threads != nullptr)
        variables.push_back(std::string("VANTOK_THREADS=") + threads);
    std::vector<char*> envp;
    for (std::string& v : variables) envp.push_back(v.data());
    envp.push_back(nullptr);
    std::vector<std::string> args = {importer, "-inFile",    xml,    "-outFile",
                                     out,      "-outputKIN", "false"};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned =
        posix_spawn(&pid, importer.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return result;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid)
        return result;
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    result.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    result.peakMB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    result.cpuSeconds = Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
#else
    (void)importer;
    (void)xml;
    (void)out;
    (void)threads;
#endif
    return result;
}

Timing PugixmlSeconds(const std::string& bytes);

void PrintSummary(const CapturingReporter& reporter) {
    const Input& in = GeneratedInput();
    const double mb = static_cast<double>(in.bytes) / 1e6;
    std::printf("\nSummary, %d triangles, %.1f MB (rates on wall time; CPU time in brackets)\n",
                in.triangles, mb);
    const Timing* pugi = reporter.Find("BM_PugixmlParse");
    const Timing* convert = reporter.Find("BM_Convert");
    if (pugi)
        std::printf("  pugixml parse       %8.1f MB/s  [%8.1f]\n", mb / pugi->real, mb / pugi->cpu);
    if (convert) {
        std::printf("  conversion          %8.1f MB/s  [%8.1f]   %.0f triangles/s\n",
                    mb / convert->real, mb / convert->cpu, in.triangles / convert->real);
    }
    if (pugi && convert) {
        std::printf("  conversion / pugixml  %.3f  [%.3f]   (goal 0.5)\n",
                    pugi->real / convert->real, pugi->cpu / convert->cpu);
    }
    // The yardstick's method of the shared file (bytes in memory, the tree destroyed outside the
    // timing, median of 3) on this scene: what is left between the two figures is the input.
    const Timing shared = PugixmlSeconds(InputBytes());
    if (shared.real > 0) {
        std::printf(
            "  pugixml load_buffer as on the shared file, this scene: %8.1f MB/s  [%8.1f]\n",
            mb / shared.real, mb / shared.cpu);
    }
    static const struct {
        const char* name;
        const char* label;
    } kStages[] = {{"BM_Stage_Read", "read"},
                   {"BM_Stage_Prepare", "prepare"},
                   {"BM_Stage_Fill", "fill"},
                   {"BM_Stage_Build", "build"},
                   {"BM_Stage_OptimiseParallel", "optimise (all threads)"},
                   {"BM_Stage_WriteIm", "write IM"},
                   {"BM_Stage_WriteKin", "write KIN"}};
    // prepare: reading with the preparation less reading without it
    Timing prepare;
    const Timing* read = reporter.Find("BM_Stage_Read");
    const Timing* readPrepare = reporter.Find("BM_Stage_ReadPrepare");
    if (read && readPrepare) {
        prepare = {std::max(0.0, readPrepare->real - read->real),
                   std::max(0.0, readPrepare->cpu - read->cpu)};
        const_cast<CapturingReporter&>(reporter).Add("BM_Stage_Prepare", prepare);
    }
    if (const Timing* single = reporter.Find("BM_Stage_Optimise")) {
        std::printf("  optimise on one thread: %.1f ms\n", single->real * 1e3);
    }
    double total = 0;
    for (const auto& s : kStages) {
        if (const Timing* t = reporter.Find(s.name))
            total += t->real;
    }
    if (total > 0) {
        std::printf("  stages (share of their sum):\n");
        for (const auto& s : kStages) {
            if (const Timing* t = reporter.Find(s.name)) {
                std::printf("    %-18s %9.1f ms  %5.1f %%\n", s.label, t->real * 1e3,
                            100.0 * t->real / total);
            }
        }
    }
}

// A spawned child's peak resident size includes the peak of the process that spawned it (the
// kernel keeps the larger at exec), so the table runs first, while this process is small; its
// own peak is printed as the floor of the column.
void PrintTable(const std::string& importer, bool withMillion) {
    double floorMB = 0;
#ifndef _WIN32
    rusage self{};
    getrusage(RUSAGE_SELF, &self);
    floorMB = static_cast<double>(self.ru_maxrss) / 1024.0;
#endif
    std::printf("VantokMeshImporter -outputKIN false in a child process (%s)\n", importer.c_str());
    std::printf("  (peak MB cannot read below this process's peak before the runs: %.1f MB)\n",
                floorMB);
    std::printf("  %10s %10s %10s %10s %10s %14s %10s %12s\n", "triangles", "input MB", "time s",
                "CPU s", "MB/s", "triangles/s", "peak MB", "peak/input");
    for (const Grid& g : kTableGrids) {
        if (g.Triangles() > 100000 && !withMillion) {
            std::printf("  %10d  (skipped: run with --with-1m)\n", g.Triangles());
            continue;
        }
        const std::string xml =
            (Folder() / ("table_" + std::to_string(g.Triangles()) + ".xml")).string();
        const std::string out = (Folder() / ("table_" + std::to_string(g.Triangles()))).string();
        const size_t bytes = WriteGridFile(g, xml);
        const ChildRun run = bytes ? RunImporter(importer, xml, out) : ChildRun{};
        std::error_code ignored;
        fs::remove(xml, ignored);
        fs::remove(out + ".im", ignored);
        if (!run.ok) {
            std::printf("  %10d  (failed to generate or convert)\n", g.Triangles());
            continue;
        }
        const double mb = static_cast<double>(bytes) / 1e6;
        std::printf("  %10d %10.1f %10.2f %10.2f %10.1f %14.0f %10.1f %12.2f\n", g.Triangles(), mb,
                    run.seconds, run.cpuSeconds, mb / run.seconds, g.Triangles() / run.seconds,
                    run.peakMB, run.peakMB / (static_cast<double>(bytes) / (1024.0 * 1024.0)));
    }
    std::printf("\n");
}

// ---------------------------------------------------------------------------------------------
// The shared benchmark file

double Median3(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double ProcessCpuSeconds() {
#ifndef _WIN32
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
#else
    return 0.0;
#endif
}

// pugixml on the file's bytes in memory, default flags, tree destroyed outside the timing:
// median wall and CPU seconds of 3 (zero when it fails).
Timing PugixmlSeconds(const std::string& bytes) {
    std::vector<double> wall, cpu;
    for (int i = 0; i < 3; ++i) {
        auto doc = std::make_unique<pugi::xml_document>();
        const auto start = std::chrono::steady_clock::now();
        const double cpuStart = ProcessCpuSeconds();
        const bool ok = static_cast<bool>(doc->load_buffer(bytes.data(), bytes.size()));
        cpu.push_back(ProcessCpuSeconds() - cpuStart);
        wall.push_back(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        doc.reset();
        if (!ok)
            return Timing{};
    }
    return Timing{Median3(wall), Median3(cpu)};
}

// The stages of one conversion in this process, wall and CPU seconds each.
void PrintStageSplit(const std::string& xml, unsigned threads) {
    Quiet();
    NullExportUserInterface ui;
    const std::string out = (Folder() / "shared_stage.im").string();
    struct Stage {
        const char* name;
        double wall;
        double cpu;
    };
    std::vector<Stage> stages;
    auto timed = [&stages](const char* name, auto&& work) {
        const auto start = std::chrono::steady_clock::now();
        const double cpu = ProcessCpuSeconds();
        work();
        stages.push_back(
            {name, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
             ProcessCpuSeconds() - cpu});
    };
    SceneData scene;
    std::unique_ptr<GenericMesh> mesh;
    std::unique_ptr<ConverterExGenericSkeleton> skeleton;
    std::unique_ptr<ExIndexedMesh> indexed;
    SkeletonAnimationPreparer preparer(programLog);
    bool ok = true;
    timed("read", [&] {
        int32_t version = 0;
        ok = ReadInterchangeFile(xml.c_str(), version, scene, programLog, preparer, nullptr,
                                 nullptr, threads);
    });
    timed("fill", [&] { ok = ok && FillGenericMesh(scene, mesh, skeleton, programLog); });
    if (!ok) {
        std::printf("    (%u threads: the file could not be read)\n", threads);
        return;
    }
    timed("build", [&] { indexed = std::make_unique<ExIndexedMesh>(*mesh, false, ui, threads); });
    timed("optimise", [&] {
        ParallelChunkOptimiser optimiser(threads);
        optimiser.Begin(*indexed);
        for (uint32_t i = 0; i < indexed->ChunkCount(); ++i) optimiser.Take(i);
    });
    timed("write IM", [&] {
        AlreadyOptimised asIs;
        WriteIndexedMeshFile(out.c_str(), *indexed, nullptr, asIs, ReportContext{programLog, ui});
    });
    double wall = 0, cpu = 0;
    for (const Stage& st : stages) {
        wall += st.wall;
        cpu += st.cpu;
    }
    std::printf("    %u thread%s:", threads, threads == 1 ? " " : "s");
    for (const Stage& st : stages) {
        std::printf("  %s %.0f ms [%.0f]", st.name, st.wall * 1e3, st.cpu * 1e3);
    }
    std::printf("  = %.0f ms [%.0f]\n", wall * 1e3, cpu * 1e3);
}

// The children run first, while this process is small (see PrintTable), then pugixml and the
// stages in this process.
void PrintSharedFile(const std::string& importer, const std::string& xml) {
    std::error_code error;
    const auto size = fs::file_size(xml, error);
    if (error || size == 0) {
        std::printf("Shared file %s: cannot be read\n\n", xml.c_str());
        return;
    }
    const double mb = static_cast<double>(size) / 1e6;
    std::printf("Shared file %s, %.1f MB (medians of 3; CPU time in brackets)\n", xml.c_str(), mb);
    const std::string out = (Folder() / "shared").string();
    std::vector<std::string> lines;
    std::vector<Timing> runs;
    for (const char* threads : {static_cast<const char*>(nullptr), "1", "2"}) {
        std::vector<double> wall, cpu, peak;
        for (int i = 0; i < 3; ++i) {
            const ChildRun run = RunImporter(importer, xml, out, threads);
            if (!run.ok)
                break;
            wall.push_back(run.seconds);
            cpu.push_back(run.cpuSeconds);
            peak.push_back(run.peakMB);
        }
        char line[300];
        if (wall.size() != 3) {
            std::snprintf(line, sizeof line, "  conversion, VANTOK_THREADS %-5s failed",
                          threads ? threads : "unset");
            runs.push_back(Timing{});
        } else {
            const double w = Median3(wall);
            const double c = Median3(cpu);
            std::snprintf(line, sizeof line,
                          "  conversion, VANTOK_THREADS %-5s %7.3f s [%6.3f]  %8.1f MB/s  "
                          "CPU/wall %.2f  peak %.1f MB = %.2f x input",
                          threads ? threads : "unset", w, c, mb / w, c / w, Median3(peak),
                          Median3(peak) / (mb * 1e6 / (1024.0 * 1024.0)));
            runs.push_back(Timing{w, c});
        }
        lines.push_back(line);
    }
    fs::remove(out + ".im", error);

    std::string bytes(static_cast<size_t>(size), '\0');
    if (std::FILE* f = std::fopen(xml.c_str(), "rb")) {
        bytes.resize(std::fread(bytes.data(), 1, bytes.size(), f));
        std::fclose(f);
    }
    const Timing pugi = PugixmlSeconds(bytes);
    bytes = std::string();
    if (pugi.real > 0) {
        std::printf("  pugixml load_buffer              %7.3f s [%6.3f]  %8.1f MB/s\n", pugi.real,
                    pugi.cpu, mb / pugi.real);
    }
    // the ratio on CPU time too: on a loaded machine wall times say little
    for (size_t i = 0; i < lines.size(); ++i) {
        std::printf("%s", lines[i].c_str());
        if (pugi.real > 0 && runs[i].real > 0)
            std::printf("  ratio %.3f [%.3f]", pugi.real / runs[i].real, pugi.cpu / runs[i].cpu);
        std::printf("\n");
    }
    std::printf("  stage split in this process, wall [CPU]:\n");
    PrintStageSplit(xml, 1);
    PrintStageSplit(xml, 2);
    std::printf("\n");
}

std::string DefaultImporter() {
    std::error_code error;
    fs::path self = fs::read_symlink("/proc/self/exe", error);
    if (error)
        return "VantokMeshImporter";
    return (self.parent_path() / "VantokMeshImporter").string();
}

}  // namespace

int main(int argc, char** argv) {
    // The same allocator as the converter's (huge pages where glibc has them), so that pugixml
    // and the stages in this process are timed as the converter runs: on small pages first-touch
    // faults cost pugixml several times its parse on some virtual machines.
    platform::UseHugePageAllocator(argv);
    bool withMillion = false;
    bool noTable = false;
    std::string importer = DefaultImporter();
    std::string sharedFile;
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--with-1m") == 0) {
            withMillion = true;
        } else if (std::strcmp(argv[i], "--no-table") == 0) {
            noTable = true;
        } else if (std::strncmp(argv[i], "--importer=", 11) == 0) {
            importer = argv[i] + 11;
        } else if (std::strncmp(argv[i], "--shared-file=", 14) == 0) {
            sharedFile = argv[i] + 14;
        } else {
            rest.push_back(argv[i]);
        }
    }
    int count = static_cast<int>(rest.size());
    benchmark::Initialize(&count, rest.data());
    if (benchmark::ReportUnrecognizedArguments(count, rest.data()))
        return 1;
    if (!noTable)
        PrintTable(importer, withMillion);
    if (!sharedFile.empty())
        PrintSharedFile(importer, sharedFile);
    CapturingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintSummary(reporter);
    benchmark::Shutdown();
    std::error_code ignored;
    fs::remove_all(Folder(), ignored);
    return 0;
}
