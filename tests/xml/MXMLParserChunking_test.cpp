// Chunking never changes a parse: for a varied generated corpus (multi-byte characters,
// references, every markup kind, malformed variants), feeding the bytes in random chunks of 1
// to 4096 bytes gives exactly the callbacks, result and message of feeding them whole, and each
// callback fires while the chunk holding the character that completes its markup is parsed.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "XmlTestSupport.h"
#include "xml/MXMLParser.h"

namespace {

// Builds a random document from the dialect's pieces.
class DocumentGenerator {
public:
    explicit DocumentGenerator(uint32_t seed) : m_rng(seed) {}

    std::string Make() {
        std::string out;
        if (Chance(4))
            out += "\xEF\xBB\xBF";
        if (Chance(2))
            out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
        if (Chance(3))
            out += "<!-- lead \xE2\x82\xAC -->\n";
        Element(out, 0);
        if (Chance(2))
            out += "\n<!-- tail -->";
        if (Chance(3))
            out += "<?pi tail?>\n";
        return out;
    }

private:
    bool Chance(int n) { return m_rng() % (uint32_t)n == 0; }
    int Pick(int n) { return (int)(m_rng() % (uint32_t)n); }

    std::string Name() {
        static const char* names[] = {"a", "vertex", "position", "x:y", "_n-1.2", "Mesh"};
        return names[Pick(6)];
    }

    std::string Text() {
        static const char* pieces[] = {"1.5, -2, 3e4",
                                       " ",
                                       "\n",
                                       "\t",
                                       "&amp;",
                                       "&lt;",
                                       "&gt;",
                                       "&quot;",
                                       "&apos;",
                                       "&#65;",
                                       "&#x20AC;",
                                       "&#233;",
                                       "\xC3\xA9",
                                       "\xE2\x82\xAC",
                                       "\xF0\x9F\x98\x80",
                                       "\xE6\x97\xA5\xE6\x9C\xAC",
                                       "]]>",
                                       "-->",
                                       "?>",
                                       "plain text ",
                                       "&#x10FFFF;",
                                       "\x80",
                                       "\xFF",
                                       "\r\n"};
        std::string t;
        for (int i = Pick(6); i >= 0; --i) t += pieces[Pick(24)];
        if (Chance(20))
            t += std::string(5000 + Pick(3000), 'z');  // crosses 4096-byte pieces
        return t;
    }

    std::string Value() {
        std::string v = Text();
        std::string out;
        for (char c : v) {
            if (c != '"' && c != '<' && c != '&')
                out += c;
        }
        if (Chance(2))
            out += "&quot;&#x41;<>";
        return out;
    }

    void Element(std::string& out, int depth) {
        std::string name = Name();
        out += "<" + name;
        for (int i = Pick(4); i > 0; --i) {
            out += Chance(2) ? " " : "\n  ";
            out += "k" + std::to_string(i) + (Chance(3) ? " = " : "=") + "\"" + Value() + "\"";
        }
        if (depth > 4 || Chance(4)) {
            out += Chance(2) ? "/>" : " />";
            return;
        }
        out += ">";
        for (int i = Pick(6); i > 0; --i) {
            switch (Pick(6)) {
                case 0:
                case 1:
                    Element(out, depth + 1);
                    break;
                case 2:
                    out += Text();
                    break;
                case 3:
                    out += "<!--" + std::string(Chance(2) ? " c-o-m " : "--x") + "-->";
                    break;
                case 4:
                    out += "<![CDATA[" + std::string(Chance(2) ? "a]b]]c<&>" : "") + "]]>";
                    break;
                default:
                    out += "<?pi " + std::string(Chance(2) ? "x?y" : "") + "?>";
                    break;
            }
        }
        out += "</" + name + (Chance(3) ? " " : "") + ">";
    }

    std::mt19937 m_rng;
};

void ExpectSameParse(const std::string& doc, const ParseOutcome& whole, std::mt19937& rng) {
    std::uniform_int_distribution<size_t> size(1, 4096);
    std::uniform_int_distribution<size_t> small(1, 7);
    std::vector<size_t> sizes;
    bool tiny = rng() % 3 == 0;
    for (int i = 0; i < 64; ++i) sizes.push_back(tiny ? small(rng) : size(rng));
    ParseOutcome chunked = ParseInChunks(doc, sizes);
    ASSERT_EQ(chunked.result, whole.result);
    ASSERT_EQ(chunked.error, whole.error);
    ASSERT_EQ(chunked.events, whole.events);
}

TEST(MXMLParserChunkingTest, RandomChunksGiveTheCallbacksOfOneWholeChunk) {
    std::mt19937 rng(1234);
    int valid = 0;
    for (uint32_t seed = 0; seed < 300; ++seed) {
        std::string doc = DocumentGenerator(seed).Make();
        ParseOutcome whole = ParseWhole(doc);
        if (whole.result == kMXMLFinished)
            ++valid;
        for (int round = 0; round < 4; ++round) {
            SCOPED_TRACE("seed " + std::to_string(seed));
            ExpectSameParse(doc, whole, rng);
        }
    }
    EXPECT_GT(valid, 250);  // the generator makes well-formed documents
}

// A stray character after each document reports the line and column reached after all of it:
// whole-tag and whole-run reading must count exactly as one byte at a time does.
TEST(MXMLParserChunkingTest, PositionsAfterWholeDocumentsMatchBytewiseReading) {
    for (uint32_t seed = 0; seed < 150; ++seed) {
        std::string doc = DocumentGenerator(seed).Make() + "\n  x";
        ParseOutcome whole = ParseWhole(doc);
        ParseOutcome bytewise = ParseInChunks(doc, {1});
        ASSERT_EQ(whole.result, kMXMLError);
        ASSERT_EQ(whole.error.rfind("expecting '<' line ", 0), 0u) << whole.error;
        ASSERT_EQ(whole.error, bytewise.error) << "seed " << seed;
        ASSERT_EQ(whole.events, bytewise.events) << "seed " << seed;
    }
}

TEST(MXMLParserChunkingTest, MalformedDocumentsFailAlikeInAnyChunking) {
    std::mt19937 rng(99);
    int failures = 0;
    for (uint32_t seed = 0; seed < 200; ++seed) {
        std::string doc = DocumentGenerator(seed + 1000).Make();
        // Damage one byte or cut the document short.
        size_t at = rng() % doc.size();
        if (seed % 2) {
            doc[at] = "<>&\"/!?x\xC3"[rng() % 9];
        } else {
            doc.resize(at);
        }
        ParseOutcome whole = ParseWhole(doc);
        if (whole.result == kMXMLError)
            ++failures;
        for (int round = 0; round < 3; ++round) {
            SCOPED_TRACE("seed " + std::to_string(seed));
            ExpectSameParse(doc, whole, rng);
        }
    }
    EXPECT_GT(failures, 100);
}

// Fed one byte at a time, each callback's firing point is the end of the character that
// completes its markup; in any chunking it must fire in the chunk holding that byte.
TEST(MXMLParserChunkingTest, CallbacksFireInTheChunkThatCompletesThem) {
    std::mt19937 rng(7);
    for (uint32_t seed = 0; seed < 60; ++seed) {
        std::string doc = DocumentGenerator(seed).Make();
        ParseOutcome bytewise = ParseInChunks(doc, {1});
        for (int round = 0; round < 3; ++round) {
            std::vector<size_t> sizes;
            for (int i = 0; i < 32; ++i) sizes.push_back(1 + rng() % 700);
            ParseOutcome chunked = ParseInChunks(doc, sizes);
            ASSERT_EQ(chunked.events, bytewise.events);
            // Reconstruct chunk ends to find the chunk holding each completing byte.
            std::vector<size_t> ends;
            size_t pos = 0;
            for (size_t k = 0; pos < doc.size(); ++k) {
                pos += std::min(sizes[k % sizes.size()], doc.size() - pos);
                ends.push_back(pos);
            }
            for (size_t i = 0; i < chunked.events.size(); ++i) {
                size_t completing = bytewise.firedAt[i];
                size_t chunkEnd = *std::lower_bound(ends.begin(), ends.end(), completing);
                EXPECT_EQ(chunked.firedAt[i], chunkEnd) << "seed " << seed << " event " << i;
            }
        }
    }
}

}  // namespace
