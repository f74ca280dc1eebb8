// gtLexer and gtToken: reals as the interchange reader reads them, number forms and values
// (bit patterns worked out from the written digit algorithm, which differs from strtod),
// strings, names, punctuation, comments, and the messages with their line numbers.
#include "xml/gtLexer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "XmlTestSupport.h"

namespace {

class LexerTest : public ::testing::Test {
protected:
    void Use(const char* text) {
        m_text = text;
        lexer.SetInput(m_text.c_str(), (int)m_text.size() + 1);
    }
    std::vector<std::string> Tokens() {
        std::vector<std::string> out;
        gtToken t;
        while (lexer.ReadToken(&t)) out.push_back(std::to_string(t.kind) + ":" + t.Text());
        return out;
    }
    std::string Box(const char* message, int line = 1) {
        return std::string("Parse Error file: , line ") + std::to_string(line) + ": " + message;
    }

    QuietReporting quiet;
    gtLexer lexer;
    std::string m_text;
};

TEST_F(LexerTest, RealsWithOrWithoutCommas) {
    for (const char* text : {"1,2,3", "1 2 3", " 1 ,\n2,3,"}) {
        Use(text);
        float v[3];
        for (float& x : v) {
            x = lexer.ReadReal();
            lexer.SkipComma();
        }
        EXPECT_EQ(v[0], 1.0f);
        EXPECT_EQ(v[1], 2.0f);
        EXPECT_EQ(v[2], 3.0f);
    }
    EXPECT_TRUE(quiet.boxes.empty());
}

TEST_F(LexerTest, MinusSignButNoPlusSign) {
    Use("-0.5");
    EXPECT_EQ(lexer.ReadReal(), -0.5f);
    Use("+ 0.5");
    EXPECT_EQ(lexer.ReadReal(), 0.0f);
    EXPECT_EQ(lexer.ReadReal(), 0.5f);
    EXPECT_EQ(quiet.boxes, (std::vector<std::string>{Box("expected float, found '+'")}));
    EXPECT_TRUE(lexer.ErrorFlag());
    EXPECT_STREQ(lexer.LastError().c_str(), "expected float, found '+'");
    Use("-0x10 - 2 -");
    EXPECT_EQ(lexer.ReadReal(), -16.0f);
    EXPECT_EQ(lexer.ReadReal(), -2.0f);
    EXPECT_FALSE(lexer.ErrorFlag());  // cleared by SetInput
    EXPECT_EQ(lexer.ReadReal(), 0.0f);
    EXPECT_EQ(quiet.boxes.back(), Box("couldn't read expected token"));
    Use("- x");
    EXPECT_EQ(lexer.ReadReal(), 0.0f);
    EXPECT_EQ(quiet.boxes.back(), Box("expected a number, but found 'x'"));
}

TEST_F(LexerTest, NumberForms) {
    struct Case {
        const char* text;
        double value;
        int subtype;
    } cases[] = {
        {"1e3", 1000.0, 12}, {"2.5E-1", 0.25, 12}, {".5", 0.5, 12},     {"0x10", 16.0, 18},
        {"0b101", 5.0, 34},  {"42", 42.0, 10},     {"0", 0.0, 10},      {"5.", 5.0, 12},
        {"0.25", 0.25, 12},  {"0XfF", 255.0, 18},  {"1e+2", 100.0, 12}, {"7e", 7.0, 12},
        {"0x", 0.0, 18},     {"0b", 0.0, 34},      {"0b12", 1.0, 34},
    };
    for (const Case& c : cases) {
        Use(c.text);
        gtToken t;
        ASSERT_TRUE(lexer.ReadToken(&t)) << c.text;
        EXPECT_EQ(t.kind, gtToken::kNumber) << c.text;
        EXPECT_EQ(t.subtype, c.subtype) << c.text;
        EXPECT_EQ(t.GetReal(), c.value) << c.text;
        EXPECT_EQ(t.subtype, c.subtype | 1) << c.text;  // value computed
    }
    EXPECT_TRUE(quiet.boxes.empty());
}

TEST_F(LexerTest, LeadingZeroIsATokenOfItsOwn) {
    Use("012 0.5 0e1");
    EXPECT_EQ(Tokens(), (std::vector<std::string>{"1:0", "1:12", "1:0.5", "1:0", "3:e1"}));
}

TEST_F(LexerTest, ValuesFollowTheDigitAlgorithmNotStrtod) {
    gtToken t;
    Use("0.3 0.7 15.761732096e9 1e23 18446744073709551617 9223372036854775808 1e99999999999 "
        "1e-400 2.5e0");
    struct Expect {
        uint64_t bits;
    } expected[] = {
        {0x3FD3333333333334ull},  // 3 * 0.1; strtod gives ...333
        {0x3FE6666666666667ull},  // 7 * 0.1; strtod gives ...666
        {0},                      // checked as float below
        {0x44B52D02C7E14AF6ull},  // 10^7 * 10^16, one rounding: 1e23 as strtod gives it
        {0x3FF0000000000000ull},  // 2^64 + 1 wraps to 1
        {0xC3E0000000000000ull},  // 2^63 wraps to -2^63
        {0x7FF0000000000000ull},  // exponent saturates: infinity
        {0x0000000000000000ull},  // 1 / infinity
        {0x4004000000000000ull},  // 2.5
    };
    for (int i = 0; i < 9; ++i) {
        ASSERT_TRUE(lexer.ReadToken(&t)) << i;
        if (i == 2) {
            EXPECT_EQ(Bits((float)t.GetReal()), 0x506ADE3Du);  // correctly rounded: ...3C
        } else {
            EXPECT_EQ(Bits(t.GetReal()), expected[i].bits) << t.Text();
        }
    }
    Use("15.761732096e9");
    EXPECT_EQ(Bits(lexer.ReadReal()), 0x506ADE3Du);
    Use("-15.761732096e9");
    EXPECT_EQ(Bits(lexer.ReadReal()), 0xD06ADE3Du);
}

TEST_F(LexerTest, IntegerValues) {
    gtToken t;
    Use("2.9 -1 1e300 0x7fffffffffffffff 0xffffffffffffffff");
    lexer.ReadToken(&t);
    EXPECT_EQ(t.GetInteger(), 2);
    lexer.ReadToken(&t);  // "-"
    EXPECT_EQ(t.kind, gtToken::kPunctuation);
    EXPECT_EQ(t.subtype, 11);
    lexer.ReadToken(&t);
    EXPECT_EQ(t.GetInteger(), 1);
    lexer.ReadToken(&t);
    EXPECT_EQ(t.GetInteger(), INT64_MIN);  // out of range
    lexer.ReadToken(&t);
    EXPECT_EQ(t.GetInteger(), INT64_MAX);
    lexer.ReadToken(&t);
    EXPECT_EQ(t.GetInteger(), -1);
    EXPECT_EQ(t.GetReal(), -1.0);
}

TEST_F(LexerTest, SpecialFloatForms) {
    struct Case {
        const char* text;
        int subtype;
        uint64_t bits;
    } cases[] = {
        {"1.#INF", 76, 0x7FF0000000000000ull},     {"-1.#IND00", 140, 0xFFF8000000000000ull},
        {"1.#QNAN", 268, 0x7FF8000000000000ull},   {"1.#SNAN", 268, 0x7FF8000000000000ull},
        {"1.0e2#NAN", 268, 0x7FF8000000000000ull},
    };
    for (const Case& c : cases) {
        quiet.boxes.clear();
        Use(c.text);
        gtToken t;
        if (c.text[0] == '-')
            lexer.ReadToken(&t);
        ASSERT_TRUE(lexer.ReadToken(&t)) << c.text;
        EXPECT_EQ(t.subtype, c.subtype);
        EXPECT_EQ(Bits(t.GetReal()), c.bits);
        std::string shown = c.text[0] == '-' ? c.text + 1 : c.text;
        EXPECT_EQ(quiet.boxes,
                  (std::vector<std::string>{Box(("parsed: '" + shown + "'").c_str())}));
    }
    quiet.boxes.clear();
    lexer.flags = gtLexer::kQuietSpecialFloats;
    Use("1.#INF");
    EXPECT_TRUE(std::isinf(lexer.ReadReal()));
    EXPECT_TRUE(quiet.boxes.empty());
    Use("1.#XYZ 3");
    gtToken t;
    EXPECT_FALSE(lexer.ReadToken(&t));
    EXPECT_EQ(quiet.boxes.back(), Box("unknown float exeption"));
    ASSERT_TRUE(lexer.ReadToken(&t));  // the cursor is after the '#'
    EXPECT_STREQ(t.Text(), "XYZ");
}

TEST_F(LexerTest, MoreThanOneDot) {
    Use("1.2.3 4");
    EXPECT_EQ(lexer.ReadReal(), 0.0f);
    EXPECT_EQ(quiet.boxes, (std::vector<std::string>{Box("more than one dot in number"),
                                                     Box("couldn't read expected float")}));
    EXPECT_EQ(lexer.ReadReal(), 4.0f);
}

TEST_F(LexerTest, EmptyTextReadsZero) {
    Use("");
    EXPECT_EQ(lexer.ReadReal(), 0.0f);
    EXPECT_EQ(quiet.boxes, (std::vector<std::string>{Box("couldn't read expected float")}));
    Use("  /* only a comment */ ");
    gtToken t;
    EXPECT_FALSE(lexer.ReadToken(&t));
    EXPECT_EQ(quiet.boxes.size(), 1u);
}

TEST_F(LexerTest, CommentsAndLines) {
    Use("1 /* x\n */ 2 // to the end\n3 /*/ 4 /* a /* b */ 5\n\n +");
    EXPECT_EQ(lexer.ReadReal(), 1.0f);
    EXPECT_EQ(lexer.ReadReal(), 2.0f);
    EXPECT_EQ(lexer.ReadReal(), 3.0f);
    EXPECT_EQ(lexer.Line(), 3);
    EXPECT_EQ(lexer.ReadReal(), 4.0f);  // "/*/" is a whole comment
    EXPECT_EQ(lexer.ReadReal(), 5.0f);  // "/* a /* b */" is one comment
    EXPECT_EQ(lexer.ReadReal(), 0.0f);
    EXPECT_EQ(quiet.boxes, (std::vector<std::string>{Box("expected float, found '+'", 5)}));
}

TEST_F(LexerTest, HighBytesAndControlsAreBlanks) {
    Use("\xC3\xA9\x01\x7F"
        "5");
    gtToken t;
    EXPECT_FALSE(lexer.ReadToken(&t));  // 0x7F is no blank and no symbol
    EXPECT_EQ(quiet.boxes.back(), Box("Unkown symbol \x7F"));
    EXPECT_FALSE(lexer.ReadToken(&t));  // the cursor stays before it
    Use("\xC3\xA9\x01 5");
    EXPECT_EQ(lexer.ReadReal(), 5.0f);
}

TEST_F(LexerTest, SkipCommaRestoresPositionAndLine) {
    Use("\n\n7");
    EXPECT_FALSE(lexer.SkipComma());
    EXPECT_EQ(lexer.Line(), 1);
    EXPECT_EQ(lexer.Position(), 0);
    EXPECT_EQ(lexer.ReadReal(), 7.0f);
    EXPECT_EQ(lexer.Line(), 3);
    Use(" , ,x");
    EXPECT_TRUE(lexer.SkipComma());
    EXPECT_TRUE(lexer.SkipComma());
    EXPECT_FALSE(lexer.SkipComma());
}

TEST_F(LexerTest, FourReals) {
    float q[4];
    Use("0, 0, 0, 1");
    lexer.ReadFourReals(q);
    EXPECT_EQ(q[3], 1.0f);
    Use("1 -2 3e1 .5");
    lexer.ReadFourReals(q);
    EXPECT_EQ(q[0], 1.0f);
    EXPECT_EQ(q[1], -2.0f);
    EXPECT_EQ(q[2], 30.0f);
    EXPECT_EQ(q[3], 0.5f);
}

TEST_F(LexerTest, NamesAndPunctuation) {
    Use("abc_1 _x == = <= < && & || | \\ , ; $ ? @ # ` ~ ^ ' ! != >= > { } ( ) [ ] . * % / :");
    std::vector<std::string> tokens = Tokens();
    ASSERT_EQ(tokens.size(), 36u);
    EXPECT_EQ(tokens[0], "3:abc_1");
    EXPECT_EQ(tokens[1], "3:_x");
    EXPECT_EQ(tokens[2], "4:==");
    EXPECT_EQ(tokens[3], "4:=");
    EXPECT_EQ(tokens[10], "4:\\");
    Use("==<=&&||!=>=");
    gtToken t;
    std::vector<int> ids;
    while (lexer.ReadToken(&t)) ids.push_back(t.subtype);
    EXPECT_EQ(ids, (std::vector<int>{1, 3, 5, 6, 2, 4}));
    Use("|&=+-^~{}()[]<>_'`.!@*%,\\/;:#$?");
    ids.clear();
    while (lexer.ReadToken(&t)) ids.push_back(t.kind == gtToken::kName ? -1 : t.subtype);
    EXPECT_EQ(ids, (std::vector<int>{7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, -1,
                                     23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37}));
}

TEST_F(LexerTest, StringsWithEscapesAndJoining) {
    Use("\"a\\tb\\\"\\'\\?\\\\\\a\\b\\f\\n\\r\\v\" \"x\\x41\\101\" /* c */ \"end\"");
    gtToken t;
    ASSERT_TRUE(lexer.ReadToken(&t));
    EXPECT_EQ(t.kind, gtToken::kString);
    EXPECT_EQ(std::string(t.Text(), t.Length()), "a\tb\"'?\\\a\b\f\n\r\vxAeend");
    EXPECT_FALSE(lexer.ReadToken(&t));

    lexer.flags = gtLexer::kNoStringJoin;
    Use("\"a\" \"b\"");
    EXPECT_EQ(Tokens(), (std::vector<std::string>{"2:a", "2:b"}));

    lexer.flags = gtLexer::kNoStringJoin | gtLexer::kJoinAfterBackslash;
    Use("\"a\" \\\n \"b\" \"c\"");
    EXPECT_EQ(Tokens(), (std::vector<std::string>{"2:ab", "2:c"}));
    Use("\"a\" \\ x");
    EXPECT_FALSE(lexer.ReadToken(&t));
    EXPECT_EQ(quiet.boxes.back(), Box("expecting string after '' terminated line"));

    lexer.flags = gtLexer::kNoEscapes;
    Use("\"a\\\" 1");
    EXPECT_EQ(Tokens(), (std::vector<std::string>{"2:a\\", "1:1"}));
    EXPECT_EQ(lexer.Line(), 1);
}

TEST_F(LexerTest, StringErrors) {
    struct Case {
        const char* text;
        const char* message;
    } cases[] = {
        {"\"abc", "string missing trailing quote"},
        {"\"a\nb\"", "newline inside string"},
        {"\"x\\q\"", "unknown escape character"},
        {"\"x\\", "unknown escape character"},
    };
    for (const Case& c : cases) {
        Use(c.text);
        gtToken t;
        EXPECT_FALSE(lexer.ReadToken(&t)) << c.text;
        EXPECT_EQ(quiet.boxes.back(), Box(c.message)) << c.text;
    }
}

TEST_F(LexerTest, NumericEscapesClampWithAWarning) {
    std::string log = ::testing::TempDir() + "lexer_warning_log.txt";
    WinDebug::SetPath(log.c_str());
    WinDebug::SetEnabled(true);
    Use("\"\\x1FF\\999\" /* a /* b */");
    gtToken t;
    ASSERT_TRUE(lexer.ReadToken(&t));
    EXPECT_EQ(std::string(t.Text()), "\xFF\xFF");
    lexer.flags = gtLexer::kNoWarnings;
    Use("/* /* */ 1");
    ASSERT_TRUE(lexer.ReadToken(&t));
    lexer.flags = gtLexer::kErrorsToLog;
    Use("\n+");
    EXPECT_EQ(lexer.ReadReal(), 0.0f);
    lexer.flags = gtLexer::kSilent;
    Use("+");
    EXPECT_EQ(lexer.ReadReal(), 0.0f);
    EXPECT_TRUE(lexer.ErrorFlag());
    WinDebug::SetEnabled(false);
    EXPECT_TRUE(quiet.boxes.empty());

    std::ifstream in(log);
    std::stringstream all;
    all << in.rdbuf();
    std::string text = all.str();
    auto lines = [&] {
        std::vector<std::string> out;
        std::istringstream s(text);
        for (std::string l; std::getline(s, l);) {
            if (l.rfind(". Parse", 0) == 0)
                out.push_back(l);
        }
        return out;
    }();
    EXPECT_EQ(lines, (std::vector<std::string>{
                         ". Parse Warning file: , line 1: escaped number too large",
                         ". Parse Warning file: , line 1: escaped number too large",
                         ". Parse Warning file: , line 1: nested comment",
                         ". Parse Error file: , line 2: expected float, found '+'"}));
    std::remove(log.c_str());
}

TEST_F(LexerTest, NoInput) {
    gtLexer fresh;
    gtToken t;
    EXPECT_FALSE(fresh.ReadToken(&t));
    EXPECT_EQ(quiet.boxes.back(), Box("no script available"));
    fresh.SetInput(nullptr, 4);
    EXPECT_FALSE(fresh.ReadToken(&t));
}

TEST_F(LexerTest, PushedBackTokenComesAgain) {
    Use("1 2");
    gtToken t;
    lexer.ReadToken(&t);
    lexer.UnreadToken(t);
    EXPECT_EQ(lexer.ReadReal(), 1.0f);
    EXPECT_EQ(lexer.ReadReal(), 2.0f);
}

TEST_F(LexerTest, OwnedCopyOfTheInput) {
    std::string text = "3, 4";
    lexer.SetInputCopy(text.c_str(), (int)text.size() + 1);
    text = "xxxx";
    EXPECT_EQ(lexer.ReadReal(), 3.0f);
    lexer.SkipComma();
    EXPECT_EQ(lexer.ReadReal(), 4.0f);
}

TEST(gtTokenTest, TextGrowthRule) {
    gtToken t;
    EXPECT_EQ(t.Capacity(), 32);
    std::vector<int> capacities;
    for (int n = 0; n < 400; ++n) {
        t.Append('x');
        if (capacities.empty() || capacities.back() != t.Capacity())
            capacities.push_back(t.Capacity());
    }
    // 32 -> +32 -> 64 -> +32 -> 96 -> +32 -> 128 -> +32 -> 160 -> +40 -> 200 -> +50 -> 250
    // -> +62 -> 312 -> +78 -> 390 -> +97 -> 487
    EXPECT_EQ(capacities, (std::vector<int>{32, 64, 96, 128, 160, 200, 250, 312, 390, 487}));
    EXPECT_EQ(t.Length(), 400);
    gtToken copy(t);
    EXPECT_EQ(copy.Capacity(), 401);
    EXPECT_STREQ(copy.Text(), t.Text());
    gtToken small;
    small.Append('a');
    gtToken smallCopy(small);
    EXPECT_EQ(smallCopy.Capacity(), 2);
    smallCopy.Append('b');  // 1 + 2 >= 2: 2 + 32
    EXPECT_EQ(smallCopy.Capacity(), 34);
    EXPECT_STREQ(smallCopy.Text(), "ab");
}

}  // namespace
