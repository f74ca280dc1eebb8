// pmtrim_bench: one Converter call on a generated 50 MB file holding 50 CHNK chunks (each with
// a 40 KB MATL, an 800 KB GEOM and a 100 KB NINF) and 50 top-level 100 KB PMIN chunks, so that
// 100 removal passes each copy the whole (shrinking) file.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "pmtrim/pmtrim.h"

namespace {

namespace fs = std::filesystem;

constexpr int kChunks = 50;
constexpr std::uint32_t kMatl = 40 * 1024;
constexpr std::uint32_t kGeom = 800 * 1024;
constexpr std::uint32_t kProgressive = 100 * 1024;

void U32(std::vector<char>& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<char>(v >> (8 * i)));
}

void Leaf(std::vector<char>& b, const char* id, std::uint32_t total) {
    b.insert(b.end(), id, id + 4);
    U32(b, total - 8);
    U32(b, 100);
    b.insert(b.end(), total - 12, static_cast<char>(0x5A));
}

// The folder of the generated file and its outputs, removed at exit.
struct BenchFolder {
    fs::path path = fs::temp_directory_path() / "vantok_pmtrim_bench";
    BenchFolder() { fs::create_directories(path); }
    ~BenchFolder() {
        std::error_code error;
        fs::remove_all(path, error);
    }
};

// Writes the file once and returns its path.
const std::string& SourceFile() {
    static const BenchFolder bench;
    static const std::string path = [] {
        const fs::path& folder = bench.path;
        std::vector<char> b;
        b.reserve(56u << 20);
        b.insert(b.end(), {'V', 'I', 'R', 'F'});
        U32(b, 0);
        b.insert(b.end(), {'I', 'D', 'X', 'M'});
        b.insert(b.end(), {'I', 'N', 'F', 'O'});
        U32(b, 68);
        U32(b, 104);
        b.insert(b.end(), 64, 0);
        for (int c = 0; c < kChunks; ++c) {
            b.insert(b.end(), {'C', 'H', 'N', 'K'});
            U32(b, 8 + kMatl + kGeom + kProgressive);
            U32(b, 100);
            U32(b, static_cast<std::uint32_t>(c));
            Leaf(b, "MATL", kMatl);
            Leaf(b, "GEOM", kGeom);
            Leaf(b, "NINF", kProgressive);
        }
        for (int p = 0; p < kChunks; ++p) Leaf(b, "PMIN", kProgressive);
        const auto size = static_cast<std::uint32_t>(b.size() - 8);
        for (int i = 0; i < 4; ++i) b[4 + i] = static_cast<char>(size >> (8 * i));
        const fs::path file = folder / "big.pm";
        std::ofstream(file, std::ios::binary)
            .write(b.data(), static_cast<std::streamsize>(b.size()));
        return file.string();
    }();
    return path;
}

void BM_Trim50MBWith100Chunks(benchmark::State& state) {
    const std::string& source = SourceFile();
    for (auto _ : state) {
        if (!Converter(source.c_str(), nullptr) || GetRemovedCount() != 2 * kChunks)
            state.SkipWithError(GetError());
    }
    state.counters["MB"] = static_cast<double>(fs::file_size(source)) / (1 << 20);
}

BENCHMARK(BM_Trim50MBWith100Chunks)->Unit(benchmark::kSecond)->Iterations(2);

}  // namespace
