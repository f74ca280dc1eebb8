// libFuzzer target for gtXmlDoc::Load and the parser under it.
//
// Each input is loaded through a stream whose reads come back in the 4096-byte pieces Load asks
// for; on success the tree is navigated, written, re-loaded (the written form must load and
// write back identically), copied, trimmed and indented. The parser is also fed the same bytes
// in chunks sized by the input itself and must give the callbacks of the whole feed. The
// gtStream form (64 KB pieces) and gtXmlCompactDoc load the same bytes with the same outcome,
// error text, names and texts; a watched compact load reads each element it is told of as the
// finished document does.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "toolkit/gtStream.h"
#include "xml/MXMLDocument.h"
#include "xml/MXMLParser.h"
#include "xml/gtXmlCompactDoc.h"
#include "xml/gtXmlDoc.h"
#include "xml/gtXmlLoadWatcher.h"

namespace {

class BytesStream : public MXMLStream {
public:
    BytesStream(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    int Read(void* buffer, int size) override {
        size_t n = m_size - m_pos < (size_t)size ? m_size - m_pos : (size_t)size;
        if (n)
            std::memcpy(buffer, m_data + m_pos, n);
        m_pos += n;
        return (int)n;
    }
    int Write(const void* buffer, int size) override {
        out.append(static_cast<const char*>(buffer), (size_t)size);
        return size;
    }
    std::string out;

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

class BytesGtStream : public gtStream {
public:
    BytesGtStream(const uint8_t* data, size_t size) : m_in(data, size) {}
    int Read(void* buffer, int size) override { return m_in.Read(buffer, size); }
    int Write(const void*, int) override { return 0; }

private:
    BytesStream m_in;
};

struct Trace {
    std::string events;
    static void Start(void* u, const char* name, const char** attributes) {
        auto& e = static_cast<Trace*>(u)->events;
        e += "S";
        e += name;
        for (const char** a = attributes; a[0]; a += 2) {
            e += '\1';
            e += a[0];
            e += '\2';
            e += a[1];
        }
        e += '\0';
    }
    static void End(void* u, const char* name) {
        auto& e = static_cast<Trace*>(u)->events;
        e += "E";
        e += name;
        e += '\0';
    }
    static void Data(void* u, const char* content, size_t length, int kind) {
        auto& e = static_cast<Trace*>(u)->events;
        e += (char)('0' + kind);
        e.append(content, length);
        e += '\0';
    }
};

std::string Parse(const uint8_t* data, size_t size, size_t step, int* result) {
    MXMLParser* p = CreateParser(nullptr, nullptr, nullptr);
    Trace t;
    p->startElement = Trace::Start;
    p->endElement = Trace::End;
    p->characterData = Trace::Data;
    p->userData = &t;
    size_t pos = 0;
    do {
        size_t n = size - pos < step ? size - pos : step;
        bool final = pos + n == size;
        *result = ParseChunk(p, reinterpret_cast<const char*>(data) + pos, n, final);
        pos += n;
        if (final)
            break;
    } while (*result == kMXMLNeedMore);
    t.events += ParserErrorText(p);
    DestroyParser(p);
    return t.events;
}

void Check(bool ok) {
    if (!ok)
        std::abort();
}

// What a reader sees of an element when told of it, kept to be compared after the load.
class Watcher : public gtXmlLoadWatcher {
public:
    int Depth() const override { return 2; }
    void Ready(gtXmlElementRef element, gtXmlElementRef parent) noexcept override {
        Check(parent->Name() != nullptr);  // the document element
        told.push_back({element, Seen(element)});
    }
    void Abandon() noexcept override { ++abandoned; }
    static std::string Seen(gtXmlElementRef e) {
        std::string s = e->Name() ? e->Name() : "";
        s += '\1';
        s += e->GetText();
        s += '\1';
        s += e->GetAttribute("stream");
        for (gtXmlElementRef c = e->FirstChildElement(); c; c = c->NextSiblingElement()) {
            s += '\2';
            s += c->Name();
            s += c->GetText();
        }
        return s;
    }
    std::vector<std::pair<gtXmlElementRef, std::string>> told;
    int abandoned = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Chunking never changes the parse.
    int whole, chunked;
    std::string a = Parse(data, size, size ? size : 1, &whole);
    std::string b = Parse(data, size, 1 + (size ? data[0] % 13 : 0), &chunked);
    Check(whole == chunked && a == b);

    gtXmlDoc doc;
    BytesStream in(data, size);
    bool loaded = doc.Load(&in);
    Check(loaded == (whole == kMXMLFinished));
    gtXmlDoc pieces;
    gtXmlCompactDoc compact;
    BytesGtStream in2(data, size), in3(data, size);
    Check(pieces.Load(in2) == loaded && compact.Load(in3) == loaded);
    {
        gtXmlCompactDoc watched;
        Watcher watcher;
        BytesGtStream in4(data, size);
        Check(watched.Load(in4, &watcher) == loaded);
        Check(watcher.abandoned == (loaded ? 0 : 1));
        if (loaded) {
            for (const auto& [element, seen] : watcher.told) Check(seen == Watcher::Seen(element));
        }
    }
    if (!loaded) {
        Check(std::strlen(doc.GetErrorText()) > 0);
        Check(std::strcmp(doc.GetErrorText(), pieces.GetErrorText()) == 0);
        Check(std::strcmp(doc.GetErrorText(), compact.GetErrorText()) == 0);
        return 0;
    }
    gtXmlElementRef r = compact.GetRoot()->FirstChildElement();
    for (MXMLElement* e = doc.GetRoot()->FirstChildElement(); e; e = e->FirstChildElement()) {
        Check(r && r->IsNamed(e->name));
        Check(std::strcmp(r->GetText(), e->GetText()) == 0);
        Check(std::strcmp(r->GetAttribute("stream"), e->GetAttribute("stream")) == 0);
        r = r->FirstChildElement();
    }
    Check(r == nullptr);
    // Navigate.
    for (MXMLElement* e = doc.GetRoot()->FirstChildElement(); e; e = e->FirstChildElement()) {
        (void)e->GetText();
        (void)e->GetAttribute("stream");
        (void)e->CountChildElements("vertex");
        (void)e->FindNthChildElement("vertex", 2);
    }
    // Write, load the written form, write it again: the same bytes (for ASCII content: each
    // byte above 0x7F is written as a reference of its own, which reads back as two bytes).
    bool ascii = true;
    for (size_t i = 0; i < size; ++i) {
        if (data[i] >= 0x80 || (data[i] == '&' && i + 1 < size && data[i + 1] == '#'))
            ascii = false;
    }
    BytesStream out(nullptr, 0);
    Check(doc.Save(&out, true));
    gtXmlDoc again;
    BytesStream back(reinterpret_cast<const uint8_t*>(out.out.data()), out.out.size());
    if (again.Load(&back) && ascii) {
        BytesStream out2(nullptr, 0);
        Check(again.Save(&out2, true));
        Check(out2.out == out.out);
    }
    // Copy, trim and indent (small inputs only: indentation grows with depth squared).
    if (size < 2048) {
        gtXmlDoc copy;
        MXMLElement* c = copy.GetRoot()->AddElement("c");
        c->CopyFrom(doc.GetRoot());
        c->TrimText(size % 2);
        c->Indent(size % 3 == 0, (int)(size % 4));
        BytesStream sink(nullptr, 0);
        Check(copy.Save(&sink, true));
    }
    return 0;
}
