// MXMLParser: callbacks, references, UTF-8 handling and the error messages with their
// positions (derived by hand from the counting rule: the counters after the offending
// character, which sits in column k of its line, say col k + 1).
#include "xml/MXMLParser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "XmlTestSupport.h"

namespace {

using Events = std::vector<std::string>;

Events ParseOk(const std::string& text) {
    ParseOutcome out = ParseWhole(text);
    EXPECT_EQ(out.result, kMXMLFinished) << out.error;
    return out.events;
}

TEST(MXMLParserTest, EmptyElementGivesStartAndEnd) {
    EXPECT_EQ(ParseOk("<a/>"), (Events{"S a", "E a"}));
}

TEST(MXMLParserTest, EndTagMatchesIgnoringCaseAndReportsItsOwnName) {
    EXPECT_EQ(ParseOk("<a></A>"), (Events{"S a", "E A"}));
}

TEST(MXMLParserTest, AttributesInDocumentOrderWithDuplicatesAsTheyStand) {
    EXPECT_EQ(ParseOk("<a k=\"1\" k = \"2\"\tz=\"\"/>"), (Events{"S a k=1 k=2 z=", "E a"}));
}

TEST(MXMLParserTest, AttributeValueKeepsMarkupBytesAndResolvesReferences) {
    EXPECT_EQ(ParseOk("<a v=\"&lt;x&gt; <y>\n&quot;&apos;\"/>"),
              (Events{"S a v=<x> <y>\n\"'", "E a"}));
}

TEST(MXMLParserTest, AttributesNeedNoBlankBetweenThem) {
    EXPECT_EQ(ParseOk("<a x=\"1\"y=\"2\"/>"), (Events{"S a x=1 y=2", "E a"}));
}

TEST(MXMLParserTest, TextWithNamedReference) {
    EXPECT_EQ(ParseOk("<a>x &amp; y</a>"), (Events{"S a", "D2 x & y", "E a"}));
}

TEST(MXMLParserTest, NumericReferences) {
    struct Case {
        const char* reference;
        std::string expected;
    } cases[] = {
        {"&#65;", "A"},
        {"&#x41;", "A"},
        {"&#+65;", "A"},
        {"&#x 41;", "A"},        // scanf skips leading white space
        {"&#41abc;", ")"},       // trailing characters ignored
        {"&#x0x41;", "A"},       // optional 0x prefix
        {"&#233;", "\xC3\xA9"},  // two bytes
        {"&#x20AC;", "\xE2\x82\xAC"},
        {"&#x10FFFF;", "\xF4\x8F\xBF\xBF"},
        {"&#x110000;", "\xEF\xBF\xBD"},      // above the range: U+FFFD
        {"&#99999999999;", "\xEF\xBF\xBD"},  // saturates, clamps, U+FFFD
        {"&#-1;", "\xFF"},                   // negative: one byte, its low 8 bits
        {"&#x-1;", "\xFF"},
        {"&#-191;", "\x41"},  // -191 & 0xFF = 0x41
    };
    for (const Case& c : cases) {
        Events e = ParseOk(std::string("<a>") + c.reference + "</a>");
        ASSERT_EQ(e.size(), 3u) << c.reference;
        EXPECT_EQ(e[1], "D2 " + c.expected) << c.reference;
    }
}

TEST(MXMLParserTest, CommentDeclarationAndCDATAContent) {
    EXPECT_EQ(ParseOk("<?xml version=\"1.0\"?><a><!-- a-b --><![CDATA[<&>]]></a>"),
              (Events{"D0 xml version=\"1.0\"", "S a", "D1  a-b ", "D3 <&>", "E a"}));
}

TEST(MXMLParserTest, ClosersAreMatchedWithoutBacktracking) {
    EXPECT_EQ(ParseOk("<a><![CDATA[x]]]>y]]></a>"), (Events{"S a", "D3 x]]]>y", "E a"}));
    EXPECT_EQ(ParseOk("<a><!--x--->--></a>"), (Events{"S a", "D1 x--->", "E a"}));
    EXPECT_EQ(ParseOk("<a><?x?"
                      "?>?></a>"),
              (Events{"S a",
                      "D0 x?"
                      "?>",
                      "E a"}));
    EXPECT_EQ(ParseOk("<a><![CDATA[]x]]></a>"), (Events{"S a", "D3 ]x", "E a"}));
}

TEST(MXMLParserTest, EmptyCommentDeclarationAndCDATAAreReported) {
    EXPECT_EQ(ParseOk("<?"
                      "?><a><!----><![CDATA[]]></a>"),
              (Events{"D0 ", "S a", "D1 ", "D3 ", "E a"}));
}

TEST(MXMLParserTest, TopLevelWhitespaceIsTextAndTrailingWhitespaceIsDropped) {
    EXPECT_EQ(ParseOk("\xEF\xBB\xBF <?xml?>\n<a/>\n<!--c-->\n"),
              (Events{"D2  ", "D0 xml", "D2 \n", "S a", "E a", "D2 \n", "D1 c"}));
}

TEST(MXMLParserTest, TextStartingWithNulIsNotReported) {
    EXPECT_EQ(ParseOk(std::string("<a>\0b</a>", 9)), (Events{"S a", "E a"}));
    EXPECT_EQ(ParseOk(std::string("<a>b\0</a>", 9)),
              (Events{"S a", std::string("D2 b\0", 5), "E a"}));
}

TEST(MXMLParserTest, UnfinishedCommentAfterDocumentElementIsDropped) {
    ParseOutcome out = ParseWhole("<a/><!-- never closed");
    EXPECT_EQ(out.result, kMXMLFinished);
    EXPECT_EQ(out.events, (Events{"S a", "E a"}));
}

TEST(MXMLParserTest, Utf8DecodingByLeadByte) {
    // Stray continuation and 0xF5..0xFF bytes are characters of their own value.
    EXPECT_EQ(ParseOk("<a>\x80\xF5\xFF</a>")[1], "D2 \xC2\x80\xC3\xB5\xC3\xBF");
    // Four-byte characters pass through; one decoding above U+10FFFF becomes U+FFFD.
    EXPECT_EQ(ParseOk("<a>\xF0\x9F\x98\x80</a>")[1], "D2 \xF0\x9F\x98\x80");
    EXPECT_EQ(ParseOk("<a>\xF4\x90\x80\x80</a>")[1], "D2 \xEF\xBF\xBD");
    // Continuation bytes are not checked: an overlong '<' is a '<'.
    EXPECT_EQ(ParseOk("<a>x\xE0\x80\xBC/a>"), (Events{"S a", "D2 x", "E a"}));
}

TEST(MXMLParserTest, CallbacksFireWhileChunksArrive) {
    MXMLParser* p = CreateParser(nullptr, nullptr, nullptr);
    Recorder r;
    r.Attach(p);
    EXPECT_EQ(ParseChunk(p, "<a><b x=\"1\"/>te", 15, false), kMXMLNeedMore);
    EXPECT_EQ(r.events, (Events{"S a", "S b x=1", "E b"}));
    EXPECT_EQ(ParseChunk(p, "xt</a>", 6, false), kMXMLNeedMore);
    EXPECT_EQ(r.events, (Events{"S a", "S b x=1", "E b", "D2 text", "E a"}));
    EXPECT_EQ(ParseChunk(p, "", 0, true), kMXMLFinished);
    DestroyParser(p);
}

TEST(MXMLParserTest, SpentParserKeepsFailing) {
    MXMLParser* p = CreateParser(nullptr, nullptr, nullptr);
    EXPECT_EQ(ParseChunk(p, "x", 1, false), kMXMLError);
    EXPECT_EQ(ParseChunk(p, "<a/>", 4, true), kMXMLError);
    EXPECT_STREQ(ParserErrorText(p), "expecting '<' line 1, col 2");
    DestroyParser(p);
}

TEST(MXMLParserTest, AllocatesThroughTheCallbacks) {
    struct Counter {
        int live = 0;
        int total = 0;
    } counter;
    auto allocate = [](size_t size, void* user) -> void* {
        auto* c = static_cast<Counter*>(user);
        ++c->live;
        ++c->total;
        return ::operator new(size);
    };
    auto release = [](void* block, void* user) {
        --static_cast<Counter*>(user)->live;
        ::operator delete(block);
    };
    MXMLParser* p = CreateParser(release, allocate, &counter);
    std::string doc = "<a x=\"1\" y=\"2\">" + std::string(300, 't') + "<b/></a>";
    EXPECT_EQ(ParseChunk(p, doc.data(), doc.size(), true), kMXMLFinished);
    EXPECT_GT(counter.total, 2);
    DestroyParser(p);
    EXPECT_EQ(counter.live, 0);
}

TEST(MXMLParserTest, NameHashFoldsLowerCaseOntoUpperCase) {
    EXPECT_EQ(MXMLNameHash("", 0), 0u);
    EXPECT_EQ(MXMLNameHash("a", 1), 65u);
    EXPECT_EQ(MXMLNameHash("ab", 2), 65u * 131u + 66u);
    EXPECT_EQ(MXMLNameHash("Ab", 2), MXMLNameHash("aB", 2));
    // Bytes 0xE0-0xFF are lowered too and taken as signed: 0xE9 -> 0xC9 -> -55.
    EXPECT_EQ(MXMLNameHash("\xE9", 1), (uint32_t)-55);
    // '_' (0x5F) and '`' (0x60 -> 0x40) differ from their folded partners only as written.
    EXPECT_EQ(MXMLNameHash("`", 1), MXMLNameHash("@", 1));
}

// Errors: message, then line and column derived by hand.
TEST(MXMLParserTest, ErrorMessagesWithPositions) {
    struct Case {
        std::string input;
        const char* message;
    } cases[] = {
        {"", "expecting '<' line 1, col 1"},
        {"\xEF\xBB\xBF", "expecting '<' line 1, col 2"},
        {"  \n ", "expecting '<' line 2, col 2"},
        {"<a>", "expecting '<' line 1, col 4"},
        {"<a><!-- unterminated", "expecting '<' line 1, col 21"},
        {"<a>&amp</a>", "expecting '<' line 1, col 12"},
        {"<a></b>", "end tag does not match start tag, line 1, col 8"},
        {"<a>\xC3\xA9</b>", "end tag does not match start tag, line 1, col 9"},
        {"<a>\n\n<b></c></a>", "end tag does not match start tag, line 3, col 8"},
        {"<a/><b/>", "already parsed document root element line 1, col 7"},
        {"<a/>x", "expecting '<' line 1, col 6"},
        {"x<a/>", "expecting '<' line 1, col 2"},
        {"<a x='1'/>", "expecting '\"' line 1, col 7"},
        {"<a x = 1>", "expecting '\"' line 1, col 9"},
        {"<a x/>", "expecting '=' line 1, col 6"},
        {"<a x=\"1\" y>", "expecting '=' line 1, col 12"},
        {"<a x y=\"\"/>", "expecting '=' line 1, col 7"},
        {"<a>&#X41;</a>", "invalid character escape  sequence line 1, col 10"},
        {"<a>&#;</a>", "invalid character escape  sequence line 1, col 7"},
        {"<a>&#x;</a>", "invalid character escape  sequence line 1, col 8"},
        {"<a>&#0;</a>", "invalid character escape  sequence line 1, col 8"},
        {"<a>&#x0;</a>", "invalid character escape  sequence line 1, col 9"},
        {"<a v=\"&#abc;\"/>", "invalid character escape  sequence line 1, col 13"},
        {"<a>&nbsp;</a>", "unrecognized escape sequence line 1, col 10"},
        {"<a>&AMP;</a>", "unrecognized escape sequence line 1, col 9"},
        {"<a>&;</a>", "unrecognized escape sequence line 1, col 6"},
        {"<!DOCTYPE a>", "expecting '-' or '[' line 1, col 4"},
        {"<![CDATA[x]]><a/>", "expecting element line 1, col 4"},
        {"<a><![cdata[x]]></a>", "invalid CDATA line 1, col 8"},
        {"<a><![CDATAx", "invalid CDATA line 1, col 13"},
        {"<a><!-x--></a>", "expecting '-' line 1, col 8"},
        {"< a/>", "invalid name start ' ' line 1, col 3"},
        {"<1/>", "invalid name start '1' line 1, col 3"},
        {"<a><>", "invalid name start '>' line 1, col 6"},
        {"<\xC3\xA9/>", "invalid name start '\xE9' line 1, col 3"},
        {"<a%>", "unexpected character '%' line 1, col 4"},
        {"<a\n%>", "unexpected character '%' line 2, col 2"},
        {"<a x=\"1\"=>", "unexpected character '=' line 1, col 10"},
        {"<a/ >", "expecting '>' line 1, col 5"},
        {"<a></ a>", "unexpected char ' ' line 1, col 7"},
        {"<a></a x>", "unexpected char 'x' line 1, col 9"},
        {"<a></a/>", "unexpected char '/' line 1, col 8"},
    };
    for (const Case& c : cases) {
        ParseOutcome out = ParseWhole(c.input);
        EXPECT_EQ(out.result, kMXMLError) << c.input;
        EXPECT_EQ(out.error, c.message) << c.input;
    }
}

TEST(MXMLParserTest, CountsLinesAndColumnsOverLongInput) {
    std::string text = "<a>" + std::string(5000, '\n') + std::string(2000, ' ') + "<b></c>";
    // 2000 blanks fill columns 1-2000; the '>' ending "c" is in column 2007.
    EXPECT_EQ(ParseWhole(text).error, "end tag does not match start tag, line 5001, col 2008");
}

}  // namespace
