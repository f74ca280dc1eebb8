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

#include "XmlTestSupport.h"
#include "xml/MXMLParser.h"
#include "xml/gtXmlDoc.h"

namespace {

class Generator {
public:
    explicit Generator(uint32_t seed) : m_rng(seed) {}

    std::string Make() {
        std::string out;
        if (Chance(5))
            out += "\xEF\xBB\xBF";
        if (Chance(2))
            out += "<?xml version=\"1.0\"?>\n";
        Element(out, 0);
        if (Chance(3))
            out += "\n<!-- end -->\n";
        return out;
    }

    // A copy with a few bytes damaged, inserted or the end cut off.
    std::string Damage(std::string doc) {
        static const char bytes[] = "<>&\"/!?=x\n \xC3\xE2-];#";
        for (int i = Pick(3); i >= 0 && !doc.empty(); --i) {
            size_t at = m_rng() % doc.size();
            switch (Pick(3)) {
                case 0:
                    doc[at] = bytes[Pick((int)sizeof bytes - 1)];
                    break;
                case 1:
                    doc.insert(at, 1, bytes[Pick((int)sizeof bytes - 1)]);
                    break;
                default:
                    doc.resize(at);
                    break;
            }
        }
        return doc;
    }

private:
    bool Chance(int n) { return m_rng() % (uint32_t)n == 0; }
    int Pick(int n) { return (int)(m_rng() % (uint32_t)n); }

    std::string Name() {
        static const char* names[] = {"vertex", "position", "normal", "texcoord", "boneId", "blend",
                                      "a",      "x:y",      "_n-1.2", "Mesh",     "MESH",   "mesh"};
        return names[Pick(12)];
    }

    std::string Number() {
        std::string s = Chance(2) ? "-" : "";
        s += std::to_string(Pick(1000)) + "." + std::to_string(m_rng() % 1000000000u);
        if (Chance(8))
            s += "e-05";
        return s;
    }

    std::string Text() {
        static const char* pieces[] = {" ",
                                       "\n",
                                       "\t",
                                       "\r\n",
                                       "&amp;",
                                       "&lt;",
                                       "&#65;",
                                       "&#x20AC;",
                                       "\xC3\xA9",
                                       "\xE2\x82\xAC",
                                       "\xF0\x9F\x98\x80",
                                       "\x80",
                                       "]]>",
                                       "-->",
                                       "?>",
                                       "plain ",
                                       ">",
                                       "\"",
                                       "'",
                                       "\x01"};
        std::string t;
        for (int i = Pick(5); i >= 0; --i) {
            if (Chance(2)) {
                t += Number();
                t += Chance(3) ? "," : ", ";
            } else {
                t += pieces[Pick(20)];
            }
        }
        if (Chance(40))
            t += std::string(4000 + Pick(5000), 'z');
        return t;
    }

    std::string Value() {
        static const char* pieces[] = {"0",      "axisangle", " ",        "\n", "\t", "&quot;",
                                       "&#x41;", "<>",        "\xC3\xA9", "'",  "a b"};
        std::string v;
        for (int i = Pick(4); i > 0; --i) v += pieces[Pick(11)];
        return v;
    }

    std::string Blank() {
        static const char* blanks[] = {" ", "  ", "\t", "\n", "\r\n ", ""};
        return blanks[Pick(Chance(2) ? 1 : 6)];
    }

    void Element(std::string& out, int depth) {
        std::string name = Name();
        out += "<" + name;
        for (int i = Pick(3); i > 0; --i) {
            out += " " + Blank();
            out += (Chance(2) ? "stream" : "k" + std::to_string(i)) + Blank() + "=" + Blank() +
                   "\"" + Value() + "\"";
        }
        out += Blank();
        if (depth > 5 || Chance(5)) {
            out += "/>";
            return;
        }
        out += ">";
        for (int i = Pick(7); i > 0; --i) {
            switch (Pick(8)) {
                case 0:
                case 1:
                case 2:
                    Element(out, depth + 1);
                    break;
                case 3:
                case 4:
                    out += Text();
                    break;
                case 5:
                    out += "<!--" + std::string(Chance(2) ? " c-o-m " : "--x") + "-->";
                    break;
                case 6:
                    out += "<![CDATA[" + std::string(Chance(2) ? "a]b]]c<&>" : "") + "]]>";
                    break;
                default:
                    out += "<?pi " + std::string(Chance(2) ? "x?y" : "") + "?>";
                    break;
            }
        }
        // The end tag in another letter case matches too (case-folded hash).
        std::string end = name;
        if (Chance(6))
            std::transform(end.begin(), end.end(), end.begin(), ::toupper);
        out += "</" + end + Blank() + ">";
    }

    std::mt19937 m_rng;
};

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

// The tree a load builds, written out with every name, attribute and text.
void Describe(const MXMLElement* e, std::string& out) {
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
