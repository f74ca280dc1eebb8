// Load throughput of gtXmlDoc on a generated interchange file of about 100 MB, beside the
// read-only gtXmlCompactDoc and the yardsticks on the same bytes: pugixml's DOM parser, expat's
// SAX parser (when installed), a
// one-character-at-a-time UTF-8 decoding loop, the bare parser without a tree, and the lexer
// reading one vertex position. Counters: bytes per second, and the resident memory the loaded
// tree adds (read from /proc where it exists).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <string>

#include "toolkit/gtStream.h"
#include "xml/MXMLParser.h"
#include "xml/gtLexer.h"
#include "xml/gtXmlCompactDoc.h"
#include "xml/gtXmlDoc.h"

#ifdef VANTOK_HAVE_PUGIXML
#include <pugixml.hpp>
#endif
#ifdef VANTOK_HAVE_EXPAT
#include <expat.h>
#endif

namespace {

// ---------------------------------------------------------------------------------------------
// Generated input

class Generator {
public:
    std::string Make(size_t target) {
        std::string out;
        out.reserve(target + (1 << 20));
        out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<vantokImport>\n<version>1</version>\n";
        out += "<mesh>\n<name>generated</name>\n<triangles>\n";
        // About 1 MB of distinct triangles, repeated to three quarters of the target.
        size_t meshBytes = target * 3 / 4;
        size_t blockStart = out.size();
        while (out.size() < blockStart + (1u << 20)) {
            out += "<triangle><materialId>" + std::to_string(Next() % 4) + "</materialId>\n";
            for (int v = 0; v < 3; ++v) {
                out += "<vertex><position>" + Vector(3, 400.0) + "</position><normal>" +
                       Vector(3, 1.0) + "</normal><texcoord>" + Vector(2, 1.0) +
                       "</texcoord><boneId stream=\"0\">" + std::to_string(Next() % 9) +
                       "</boneId><blend stream=\"0\">" + Real(1.0) + "</blend></vertex>\n";
            }
            out += "</triangle>\n";
        }
        const std::string block = out.substr(blockStart);
        while (out.size() < meshBytes) out += block;
        out +=
            "</triangles>\n</mesh>\n<materials>\n<material>\n<name>Material.001</name>\n"
            "<diffuse>0.411205292, 0.484864146, 0.713020742</diffuse>\n</material>\n"
            "</materials>\n<animations>\n<animation>\n<name>Take 001</name>\n"
            "<frameRate>25</frameRate>\n<animationTracks>\n";
        size_t tracksStart = out.size();
        while (out.size() < tracksStart + (1u << 20)) {
            out += "<track><targetName>b.Bone." + std::to_string(Next() % 40) +
                   "</targetName><keyFrames>\n";
            for (int k = 0; k < 40; ++k) {
                out += "<keyFrame><position>" + Vector(3, 300.0) +
                       "</position><rotation format=\"axisangle\">" + Vector(4, 1.0) +
                       "</rotation></keyFrame>\n";
            }
            out += "</keyFrames></track>\n";
        }
        const std::string tracks = out.substr(tracksStart);
        while (out.size() < target) out += tracks;
        out += "</animationTracks>\n</animation>\n</animations>\n</vantokImport>\n";
        return out;
    }

private:
    uint32_t Next() {
        m_state = m_state * 1664525u + 1013904223u;
        return m_state >> 8;
    }
    // A number like "-3.49913189" or "0.349116325e-05": up to 9 significant digits, written
    // with integer arithmetic (printf would dominate the set-up time).
    std::string Real(double scale) {
        uint32_t digits = Next() % 1000000000u;
        int integerDigits = scale >= 100.0 ? (int)(Next() % 4) : (int)(Next() % 2);
        std::string s = Next() % 2 ? "-" : "";
        char buffer[16];
        int n = 0;
        for (uint32_t d = digits; n < 9; d /= 10) buffer[n++] = (char)('0' + d % 10);
        // buffer holds the digits least significant first.
        if (integerDigits == 0)
            s += '0';
        for (int i = 0; i < integerDigits; ++i) s += buffer[8 - i];
        s += '.';
        int last = 0;
        while (last < 8 - integerDigits && buffer[last] == '0') ++last;
        for (int i = 8 - integerDigits; i >= last; --i) s += buffer[i];
        if (Next() % 16 == 0)
            s += "e-05";
        return s;
    }
    std::string Vector(int n, double scale) {
        std::string s = Real(scale);
        for (int i = 1; i < n; ++i) s += ", " + Real(scale);
        return s;
    }
    uint32_t m_state = 12345;
};

const std::string& Input() {
    static const std::string text = Generator().Make(100u << 20);
    return text;
}

class MemoryStream : public gtStream {
public:
    MemoryStream(const char* data, size_t size) : m_data(data), m_size(size) {}
    int Read(void* buffer, int size) override {
        size_t n = m_size - m_pos < (size_t)size ? m_size - m_pos : (size_t)size;
        std::memcpy(buffer, m_data + m_pos, n);
        m_pos += n;
        return (int)n;
    }
    int Write(const void*, int) override { return 0; }

private:
    const char* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

// Resident and peak resident memory in kB from /proc/self/status; 0 where it does not exist.
long StatusKb(const char* key) {
    std::ifstream in("/proc/self/status");
    std::string line;
    size_t n = std::strlen(key);
    while (std::getline(in, line)) {
        if (line.compare(0, n, key) == 0)
            return std::atol(line.c_str() + n + 1);
    }
    return 0;
}

void SetBytes(benchmark::State& state) {
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)Input().size());
    state.counters["input_MB"] = (double)Input().size() / 1e6;
}

// ---------------------------------------------------------------------------------------------
// Benchmarks

void BM_gtXmlDocLoad(benchmark::State& state) {
    const std::string& text = Input();
    long treeKb = 0;
    for (auto _ : state) {
        long before = StatusKb("VmRSS:");
        gtXmlDoc doc;
        MemoryStream stream(text.data(), text.size());
        if (!doc.Load(stream))
            state.SkipWithError(doc.GetErrorText());
        treeKb = StatusKb("VmRSS:") - before;
        benchmark::DoNotOptimize(doc.GetRoot()->firstChild);
    }
    SetBytes(state);
    state.counters["tree_MB"] = (double)treeKb / 1024.0;
    state.counters["peak_RSS_MB"] = (double)StatusKb("VmHWM:") / 1024.0;
}
BENCHMARK(BM_gtXmlDocLoad)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_gtXmlCompactDocLoad(benchmark::State& state) {
    const std::string& text = Input();
    long treeKb = 0;
    size_t used = 0;
    for (auto _ : state) {
        long before = StatusKb("VmRSS:");
        gtXmlCompactDoc doc;
        MemoryStream stream(text.data(), text.size());
        if (!doc.Load(stream))
            state.SkipWithError(doc.GetErrorText());
        treeKb = StatusKb("VmRSS:") - before;
        used = doc.MemoryUsed();
        benchmark::DoNotOptimize(doc.GetRoot()->FirstChildElement());
    }
    SetBytes(state);
    state.counters["tree_MB"] = (double)treeKb / 1024.0;
    state.counters["held_MB"] = (double)used / (1024.0 * 1024.0);
}
BENCHMARK(BM_gtXmlCompactDocLoad)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_ParserOnly(benchmark::State& state) {
    const std::string& text = Input();
    for (auto _ : state) {
        MXMLParser* p = CreateParser(nullptr, nullptr, nullptr);
        int r = kMXMLNeedMore;
        for (size_t pos = 0; pos < text.size() && r == kMXMLNeedMore; pos += 4096) {
            size_t n = text.size() - pos < 4096 ? text.size() - pos : 4096;
            r = ParseChunk(p, text.data() + pos, n, pos + n == text.size());
        }
        if (r != kMXMLFinished)
            state.SkipWithError(ParserErrorText(p));
        DestroyParser(p);
    }
    SetBytes(state);
}
BENCHMARK(BM_ParserOnly)->Unit(benchmark::kMillisecond)->MinTime(2.0);

#ifdef VANTOK_HAVE_PUGIXML
void BM_PugixmlDom(benchmark::State& state) {
    const std::string& text = Input();
    long treeKb = 0;
    for (auto _ : state) {
        long before = StatusKb("VmRSS:");
        pugi::xml_document doc;
        pugi::xml_parse_result result = doc.load_buffer(text.data(), text.size());
        if (!result)
            state.SkipWithError(result.description());
        treeKb = StatusKb("VmRSS:") - before;
        benchmark::DoNotOptimize(doc.first_child());
    }
    SetBytes(state);
    state.counters["tree_MB"] = (double)treeKb / 1024.0;
}
BENCHMARK(BM_PugixmlDom)->Unit(benchmark::kMillisecond)->MinTime(2.0);
#endif

#ifdef VANTOK_HAVE_EXPAT
void BM_ExpatSax(benchmark::State& state) {
    const std::string& text = Input();
    for (auto _ : state) {
        XML_Parser p = XML_ParserCreate(nullptr);
        long count = 0;
        XML_SetUserData(p, &count);
        XML_SetElementHandler(
            p, [](void* u, const XML_Char*, const XML_Char**) { ++*static_cast<long*>(u); },
            [](void*, const XML_Char*) {});
        XML_SetCharacterDataHandler(
            p, [](void* u, const XML_Char*, int n) { *static_cast<long*>(u) += n; });
        if (XML_Parse(p, text.data(), (int)text.size(), 1) != XML_STATUS_OK) {
            state.SkipWithError(XML_ErrorString(XML_GetErrorCode(p)));
        }
        benchmark::DoNotOptimize(count);
        XML_ParserFree(p);
    }
    SetBytes(state);
}
BENCHMARK(BM_ExpatSax)->Unit(benchmark::kMillisecond)->MinTime(2.0);
#endif

// The floor of any one-character-at-a-time reader: decode every character and touch it.
void BM_Utf8CharacterLoop(benchmark::State& state) {
    const std::string& text = Input();
    for (auto _ : state) {
        const auto* s = reinterpret_cast<const unsigned char*>(text.data());
        size_t n = text.size();
        uint32_t sum = 0, column = 1, line = 1;
        for (size_t i = 0; i < n;) {
            uint32_t c = s[i++];
            if (c >= 0xC2 && c < 0xF5) {
                int extra = c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
                c &= 0x3Fu >> extra;
                for (; extra > 0 && i < n; --extra) c = (c << 6) | (s[i++] & 0x3Fu);
            }
            if (c == 10) {
                ++line;
                column = 1;
            } else {
                ++column;
            }
            sum += c;
        }
        benchmark::DoNotOptimize(sum + line + column);
    }
    SetBytes(state);
}
BENCHMARK(BM_Utf8CharacterLoop)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// One vertex position through a fresh lexer, as the interchange reader reads it.
void BM_LexerVector(benchmark::State& state) {
    static const char text[] = "-3.49913189, 0.349116325, -309.672221";
    float v[3];
    for (auto _ : state) {
        gtLexer lexer;
        lexer.SetInput(text, (int)sizeof text);
        for (float& x : v) {
            x = lexer.ReadReal();
            lexer.SkipComma();
        }
        benchmark::DoNotOptimize(v);
    }
    state.SetBytesProcessed((int64_t)state.iterations() * (int64_t)(sizeof text - 1));
}
BENCHMARK(BM_LexerVector);

}  // namespace
