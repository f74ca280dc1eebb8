// Helpers shared by the XML tests: an in-memory stream, a recorder of parser callbacks, and a
// guard that diverts the error box and the debug sink while a test runs.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "toolkit/WinDebug.h"
#include "toolkit/gtStream.h"
#include "xml/MXMLDocument.h"
#include "xml/MXMLNode.h"
#include "xml/MXMLParser.h"

// Reads from and writes to a std::string; `limit` caps each Write to simulate a full disk.
class StringStream : public MXMLStream {
public:
    explicit StringStream(std::string data = {}) : text(std::move(data)) {}
    int Read(void* buffer, int size) override {
        int n = (int)std::min<size_t>((size_t)size, text.size() - pos);
        std::memcpy(buffer, text.data() + pos, (size_t)n);
        pos += (size_t)n;
        ++reads;
        return n;
    }
    int Write(const void* buffer, int size) override {
        int n = size;
        if (limit >= 0) {
            n = std::min(size, limit);
            limit -= n;
        }
        text.append(static_cast<const char*>(buffer), (size_t)n);
        return n;
    }
    std::string text;
    size_t pos = 0;
    int reads = 0;
    int limit = -1;
};

// A gtStream over a string (for gtXmlDoc::Load).
class StringGtStream : public gtStream {
public:
    explicit StringGtStream(std::string data = {}) : text(std::move(data)) {}
    int Read(void* buffer, int size) override {
        int n = (int)std::min<size_t>((size_t)size, text.size() - pos);
        std::memcpy(buffer, text.data() + pos, (size_t)n);
        pos += (size_t)n;
        return n;
    }
    int Write(const void* buffer, int size) override {
        text.append(static_cast<const char*>(buffer), (size_t)size);
        return size;
    }
    std::string text;
    size_t pos = 0;
};

// Records every callback as one line of text, with the number of bytes fed when it fired.
struct Recorder {
    std::vector<std::string> events;
    std::vector<size_t> firedAt;
    size_t fed = 0;

    static void Start(void* user, const char* name, const char** attributes) {
        auto* r = static_cast<Recorder*>(user);
        std::string e = std::string("S ") + name;
        for (const char** a = attributes; a[0]; a += 2) e += std::string(" ") + a[0] + "=" + a[1];
        r->Add(e);
    }
    static void End(void* user, const char* name) {
        static_cast<Recorder*>(user)->Add(std::string("E ") + name);
    }
    static void Data(void* user, const char* content, size_t length, int kind) {
        static_cast<Recorder*>(user)->Add("D" + std::to_string(kind) + " " +
                                          std::string(content, length));
    }
    void Add(std::string e) {
        events.push_back(std::move(e));
        firedAt.push_back(fed);
    }
    void Attach(MXMLParser* p) {
        p->startElement = Start;
        p->endElement = End;
        p->characterData = Data;
        p->userData = this;
    }
};

struct ParseOutcome {
    int result = 0;
    std::string error;
    std::vector<std::string> events;
    std::vector<size_t> firedAt;
};

// The bit patterns of reals, for exact comparisons.
inline uint64_t Bits(double d) {
    uint64_t b;
    std::memcpy(&b, &d, sizeof b);
    return b;
}
inline uint32_t Bits(float f) {
    uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return b;
}

// Feeds `text` in chunks of the given sizes (cycled); the last chunk is final. `oneAtATime`
// forces the parser's character-by-character path.
inline ParseOutcome ParseInChunks(const std::string& text, const std::vector<size_t>& sizes,
                                  bool oneAtATime = false) {
    MXMLParser* p = CreateParser(nullptr, nullptr, nullptr);
    p->oneAtATime = oneAtATime;
    Recorder r;
    r.Attach(p);
    ParseOutcome out;
    size_t pos = 0, k = 0;
    do {
        size_t n =
            std::min(sizes.empty() ? text.size() : sizes[k++ % sizes.size()], text.size() - pos);
        bool final = pos + n == text.size();
        r.fed = pos + n;
        out.result = ParseChunk(p, text.data() + pos, n, final);
        pos += n;
        if (final)
            break;
    } while (out.result == kMXMLNeedMore);
    out.error = ParserErrorText(p);
    out.events = r.events;
    out.firedAt = r.firedAt;
    DestroyParser(p);
    return out;
}

inline ParseOutcome ParseWhole(const std::string& text) {
    return ParseInChunks(text, {});
}

// Diverts the error box into `boxes` and keeps the debug sink quiet for the test's lifetime.
struct QuietReporting {
    std::vector<std::string> boxes;
    QuietReporting() {
        WinDebug::SetEnabled(false);
        WinDebug::SetErrorBoxHandler([this](const char* text) {
            boxes.emplace_back(text);
            return 0;
        });
    }
    ~QuietReporting() { WinDebug::SetErrorBoxHandler(nullptr); }
};

// A tree written out with every element name, attribute, node kind and text (texts up to their
// first NUL), for comparing the trees two ways of loading build.
inline void Describe(const MXMLElement* e, std::string& out) {
    out += "<";
    out += e->name ? e->name : "(root)";
    for (const MXMLElement::Attribute* a = e->attributes.head; a; a = a->next)
        out += std::string(" ") + a->name + "=[" + a->value + "]";
    out += ">";
    for (const MXMLNode* n = e->firstChild; n; n = n->next) {
        if (const MXMLElement* child = n->AsElement()) {
            Describe(child, out);
        } else {
            out += "{" + std::to_string(n->kind) + ":" + n->GetText() + "}";
        }
    }
    out += "</>";
}
