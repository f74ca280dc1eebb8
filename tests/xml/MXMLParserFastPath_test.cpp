// The parser's fast path (runs of ordinary characters, whole simple tags at once) against the
// state machine fed one character at a time (MXMLParser::oneAtATime): on random documents like
// the interchange files and on damaged ones, cut at random chunk boundaries, the callbacks,
// their contents, the chunk each fires in, the result and the message with its line and column
// are the same. And a loaded document's tree is the tree those callbacks describe.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "XmlDocumentGenerator.h"
#include "XmlTestSupport.h"
#include "xml/MXMLParser.h"
#include "xml/gtXmlDoc.h"

namespace {

ParseOutcome Parse(const std::string& text, const std::vector<size_t>& sizes, bool oneAtATime) {
    return ParseInChunks(text, sizes, oneAtATime);
}

std::vector<size_t> RandomSizes(std::mt19937& rng) {
    std::vector<size_t> sizes;
    int kind = (int)(rng() % 4);
    for (int i = 0; i < 48; ++i) {
        switch (kind) {
            case 0:
                sizes.push_back(4096);
                break;
            case 1:
                sizes.push_back(1 + rng() % 7);
                break;
            case 2:
                sizes.push_back(1 + rng() % 300);
                break;
            default:
                sizes.push_back(1 + rng() % 5000);
                break;
        }
    }
    return sizes;
}

void ExpectSame(const std::string& doc, std::mt19937& rng) {
    std::vector<size_t> sizes = RandomSizes(rng);
    ParseOutcome fast = Parse(doc, sizes, false);
    ParseOutcome slow = Parse(doc, sizes, true);
    ASSERT_EQ(fast.result, slow.result);
    ASSERT_EQ(fast.error, slow.error);
    ASSERT_EQ(fast.events, slow.events);
    ASSERT_EQ(fast.firedAt, slow.firedAt);
    // And against the slow path in other chunks.
    ParseOutcome slowOther = Parse(doc, RandomSizes(rng), true);
    ASSERT_EQ(fast.result, slowOther.result);
    ASSERT_EQ(fast.error, slowOther.error);
    ASSERT_EQ(fast.events, slowOther.events);
}

TEST(MXMLParserFastPath, SameCallbacksAsOneCharacterAtATime) {
    std::mt19937 rng(555);
    int finished = 0;
    for (uint32_t seed = 0; seed < 400; ++seed) {
        std::string doc = Generator(seed).Make();
        SCOPED_TRACE("seed " + std::to_string(seed));
        ExpectSame(doc, rng);
        if (Parse(doc, {4096}, true).result == kMXMLFinished)
            ++finished;
    }
    EXPECT_GT(finished, 300);
}

TEST(MXMLParserFastPath, DamagedDocumentsFailAlike) {
    std::mt19937 rng(556);
    int failed = 0;
    for (uint32_t seed = 0; seed < 600; ++seed) {
        Generator g(seed + 7000);
        std::string doc = g.Damage(g.Make());
        SCOPED_TRACE("seed " + std::to_string(seed));
        ExpectSame(doc, rng);
        if (Parse(doc, {4096}, true).result == kMXMLError)
            ++failed;
    }
    EXPECT_GT(failed, 200);
}

TEST(MXMLParserFastPath, StrayCharacterAfterTheDocumentReportsTheSamePosition) {
    std::mt19937 rng(557);
    for (uint32_t seed = 0; seed < 200; ++seed) {
        // Without a line feed after the document, the column counts every character of its
        // last line.
        std::string doc = Generator(seed + 9000).Make();
        while (!doc.empty() && doc.back() == '\n') doc.pop_back();
        doc += seed % 2 ? " \t x" : "\n x";
        SCOPED_TRACE("seed " + std::to_string(seed));
        ExpectSame(doc, rng);
    }
}

// The same tree from the slow path's callbacks, built with the public building operations.
struct Builder {
    MXMLDocument* document;
    MXMLElement* current;
    static void Start(void* user, const char* name, const char** attributes) {
        auto* b = static_cast<Builder*>(user);
        MXMLElement* e = b->current->AddElement(name);
        for (const char** a = attributes; a[0]; a += 2) e->SetAttribute(a[0], a[1]);
        b->current = e;
    }
    static void End(void* user, const char*) {
        auto* b = static_cast<Builder*>(user);
        if (b->current->parent)
            b->current = b->current->parent;
    }
    static void Data(void* user, const char* content, size_t length, int kind) {
        auto* b = static_cast<Builder*>(user);
        switch (kind) {
            case 0:
                b->current->AddDeclaration(content, length);
                break;
            case 1:
                b->current->AddComment(content, length);
                break;
            case 2:
                b->current->AddText(content, length);
                break;
            default:
                b->current->AddCDATA(content, length);
                break;
        }
    }
};

TEST(MXMLParserFastPath, LoadedTreeIsTheTreeOfTheCallbacks) {
    for (uint32_t seed = 0; seed < 150; ++seed) {
        std::string doc = Generator(seed + 11000).Make();
        gtXmlDoc loaded;
        StringGtStream stream(doc);
        bool ok = loaded.Load(stream);

        MXMLDocument reference;
        MXMLParser* p = CreateParser(nullptr, nullptr, nullptr);
        p->oneAtATime = 1;
        Builder b{&reference, reference.GetRoot()};
        p->startElement = Builder::Start;
        p->endElement = Builder::End;
        p->characterData = Builder::Data;
        p->userData = &b;
        int r = ParseChunk(p, doc.data(), doc.size(), true);
        DestroyParser(p);
        ASSERT_EQ(ok, r == kMXMLFinished) << "seed " << seed;
        if (!ok)
            continue;
        std::string a, c;
        Describe(loaded.GetRoot(), a);
        Describe(reference.GetRoot(), c);
        ASSERT_EQ(a, c) << "seed " << seed;
        // Names are the document's interned copies.
        for (MXMLElement* e = loaded.GetRoot()->FirstChildElement(); e;
             e = e->FirstChildElement()) {
            ASSERT_EQ(e->name, loaded.InternName(e->name)) << "seed " << seed;
        }
    }
}

}  // namespace
