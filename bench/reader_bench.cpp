// Reading interchange files: whole-file throughput on a generated skinned mesh, and the cost of
// one number read from element text with a fresh lexer per element (as the reader does it),
// next to strtof and std::from_chars over the same texts.
//
// Counters: bytes_per_second is interchange text; "triangles" a rate per second; for the number
// benchmarks items_per_second counts numbers, so 1e9 / items_per_second is ns per number.
#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "MeshAnimConverter/driver/LogFile.h"
#include "MeshAnimConverter/scene/InterchangeReader.h"
#include "MeshAnimConverter/scene/InterchangeValues.h"
#include "tests/MeshAnimConverter/StageTestSupport.h"
#include "toolkit/WinDebug.h"
#include "xml/gtXmlCompactDoc.h"

namespace {

constexpr int kTriangles = 100000;
constexpr int kBones = 32;

std::string Number(std::mt19937& random, float scale) {
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    char text[32];
    std::snprintf(text, sizeof text, "%.6f", static_cast<double>(unit(random) * scale));
    return text;
}

// A skinned mesh: every corner with position, normal, texture coordinate and two weights, a
// skeleton of kBones bones, and a short global animation.
std::string GenerateSkinnedMesh() {
    std::mt19937 random(7);
    std::string xml =
        "<?xml version=\"1.0\"?>\n<vantokImport>\n<version>1</version>\n<mesh>\n"
        "<name>bench</name>\n<triangles>\n";
    xml.reserve(static_cast<size_t>(kTriangles) * 900);
    for (int t = 0; t < kTriangles; ++t) {
        xml += "<triangle><materialId>";
        xml += std::to_string(t % 4);
        xml += "</materialId>\n";
        for (int c = 0; c < 3; ++c) {
            const int bone = (t + c) % kBones;
            xml += "<vertex><position>" + Number(random, 100) + ", " + Number(random, 100) + ", " +
                   Number(random, 100) + "</position><normal>" + Number(random, 1) + ", " +
                   Number(random, 1) + ", " + Number(random, 1) + "</normal><texcoord>" +
                   Number(random, 1) + ", " + Number(random, 1) + "</texcoord>" +
                   "<boneId stream=\"0\">" + std::to_string(bone) +
                   "</boneId><blend stream=\"0\">0.75</blend>"
                   "<boneId stream=\"1\">" +
                   std::to_string((bone + 1) % kBones) +
                   "</boneId><blend stream=\"1\">0.25</blend></vertex>\n";
        }
        xml += "</triangle>\n";
    }
    xml += "</triangles>\n</mesh>\n<materials>\n";
    for (int m = 0; m < 4; ++m) {
        xml += "<material><name>m" + std::to_string(m) + "</name><id>" + std::to_string(m) +
               "</id><diffuse>1, 1, 1</diffuse><textures><texture><textureName>t.tga</textureName>"
               "<typeName>diffuse</typeName></texture></textures></material>\n";
    }
    xml += "</materials>\n<skeleton><bones>\n";
    for (int b = 0; b < kBones; ++b) {
        xml += "<bone><id>" + std::to_string(b) + "</id><name>b." + std::to_string(b) + "</name>";
        if (b > 0) {
            xml += "<parentName>b." + std::to_string(b - 1) + "</parentName>";
        }
        xml += "<position>0, " + std::to_string(b) +
               ", 0</position><orientation>0, 0, 0, 1</orientation></bone>\n";
    }
    xml +=
        "</bones></skeleton>\n<animations><animation><name>a</name><frameRate>30</frameRate>"
        "<animationTracks>\n";
    for (int b = 0; b < kBones; ++b) {
        xml += "<track><targetName>b." + std::to_string(b) + "</targetName><keyFrames>";
        for (int f = 0; f < 10; ++f) {
            xml += "<keyFrame><position>0, " + std::to_string(b) + ", " + Number(random, 1) +
                   "</position><rotation>0, 0, 0, 1</rotation></keyFrame>";
        }
        xml += "</keyFrames></track>\n";
    }
    xml += "</animationTracks></animation></animations>\n</vantokImport>\n";
    return xml;
}

class QuietLog {
public:
    QuietLog() : m_null(std::fopen("/dev/null", "w")) {
        WinDebug::SetEnabled(false);
        if (m_null != nullptr) {
            programLog.SetOutput(m_null);
        }
    }
    ~QuietLog() {
        programLog.SetOutput(nullptr);
        if (m_null != nullptr) {
            std::fclose(m_null);
        }
    }

private:
    std::FILE* m_null;
};

const std::string& SkinnedMeshPath() {
    static const std::string path = [] {
        const std::string p =
            (std::filesystem::temp_directory_path() / "vantok_reader_bench.xml").string();
        std::ofstream out(p, std::ios::binary);
        out << GenerateSkinnedMesh();
        return p;
    }();
    return path;
}

void BM_ReadSkinnedMesh(benchmark::State& state) {
    const std::string& path = SkinnedMeshPath();
    const auto bytes = static_cast<int64_t>(std::filesystem::file_size(path));
    QuietLog quiet;
    for (auto _ : state) {
        SceneData scene;
        int32_t version = 0;
        if (!ReadInterchangeFile(path.c_str(), version, scene, programLog, TestPreparer()) ||
            scene.triangles.Count() != kTriangles) {
            state.SkipWithError("read failed");
            break;
        }
        benchmark::DoNotOptimize(scene.triangles[0]);
    }
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["triangles"] = benchmark::Counter(
        static_cast<double>(state.iterations()) * kTriangles, benchmark::Counter::kIsRate);
    state.counters["MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(BM_ReadSkinnedMesh)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// ---------------------------------------------------------------- numbers

// 30,000 vector elements like the reader meets them: "x, y, z" with six decimals.
struct VectorTexts {
    VectorTexts() {
        std::mt19937 random(11);
        std::string xml = "<v>";
        for (int i = 0; i < kCount; ++i) {
            std::string text =
                Number(random, 100) + ", " + Number(random, 100) + ", " + Number(random, 1);
            xml += "<position>" + text + "</position>";
            texts.push_back(text);
        }
        xml += "</v>";
        struct Text : gtStream {
            explicit Text(const std::string& s) : data(s) {}
            int Read(void* buffer, int size) override {
                const size_t n = std::min(static_cast<size_t>(size), data.size() - at);
                std::memcpy(buffer, data.data() + at, n);
                at += n;
                return static_cast<int>(n);
            }
            int Write(const void*, int) override { return 0; }
            const std::string& data;
            size_t at = 0;
        } stream(xml);
        if (document.Load(stream)) {
            for (gtXmlElementRef e = document.GetRoot()->FirstChildElement()->FirstChildElement();
                 e; e = e->NextSiblingElement()) {
                elements.push_back(e);
            }
        }
    }
    static constexpr int kCount = 30000;
    gtXmlCompactDoc document;
    std::vector<gtXmlElementRef> elements;
    std::vector<std::string> texts;
};

VectorTexts& Vectors() {
    static VectorTexts vectors;
    return vectors;
}

void BM_NumberLexerPerElement(benchmark::State& state) {
    VectorTexts& v = Vectors();
    for (auto _ : state) {
        for (const gtXmlElementRef& e : v.elements) {
            benchmark::DoNotOptimize(ReadVectorText(e));
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(v.elements.size()) * 3);
}
BENCHMARK(BM_NumberLexerPerElement)->Unit(benchmark::kMicrosecond);

void BM_NumberStrtof(benchmark::State& state) {
    VectorTexts& v = Vectors();
    for (auto _ : state) {
        for (const std::string& text : v.texts) {
            char* end = nullptr;
            float x = std::strtof(text.c_str(), &end);
            float y = std::strtof(end + 1, &end);
            float z = std::strtof(end + 1, &end);
            benchmark::DoNotOptimize(x + y + z);
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(v.texts.size()) * 3);
}
BENCHMARK(BM_NumberStrtof)->Unit(benchmark::kMicrosecond);

void BM_NumberFromChars(benchmark::State& state) {
    VectorTexts& v = Vectors();
    for (auto _ : state) {
        for (const std::string& text : v.texts) {
            const char* p = text.data();
            const char* end = text.data() + text.size();
            float xyz[3] = {};
            for (float& value : xyz) {
                while (p < end && (*p == ' ' || *p == ',')) {
                    ++p;
                }
                p = std::from_chars(p, end, value).ptr;
            }
            benchmark::DoNotOptimize(xyz[0] + xyz[1] + xyz[2]);
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(v.texts.size()) * 3);
}
BENCHMARK(BM_NumberFromChars)->Unit(benchmark::kMicrosecond);

}  // namespace
