// gtLexer's fast path for plain numbers and commas against its general path: on random texts
// (signs, exponents, long digit runs, hexadecimal and base-2 forms, special float forms, two
// dots, commas, blanks, line feeds, comments, strings, names, stray bytes) the same sequence of
// reads gives the same values to the bit, the same positions, lines, error flags, last errors
// and error boxes. Also the number values against the digit algorithm written out naively.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "XmlTestSupport.h"
#include "xml/gtLexer.h"
#include "xml/gtNumberText.h"

namespace {

std::string Digits(std::mt19937& random, int most) {
    std::string s;
    int n = (int)(random() % (unsigned)most) + 1;
    for (int i = 0; i < n; ++i) s += (char)('0' + random() % 10);
    return s;
}

// A piece of number-like text.
std::string Number(std::mt19937& random) {
    std::string s;
    switch (random() % 12) {
        case 0:
            s = Digits(random, 3);
            break;
        case 1:
            s = Digits(random, 25);  // wraps the 64-bit integer
            break;
        case 2:
            s = Digits(random, 4) + "." + Digits(random, 10);
            break;
        case 3:
            s = "." + Digits(random, 60);  // past the table of fraction weights
            break;
        case 4:
            s = Digits(random, 3) + "." + Digits(random, 9) + (random() % 2 ? "e" : "E") +
                (random() % 3 == 0 ? "-"
                 : random() % 2    ? "+"
                                   : "") +
                Digits(random, 3);
            break;
        case 5:
            s = Digits(random, 2) + "e" + Digits(random, 12);  // exponent saturates
            break;
        case 6:
            s = "0" + Digits(random, 4);  // a lone leading zero
            break;
        case 7:
            s = random() % 2 ? "0x" + Digits(random, 5) + "fA" : "0b1" + Digits(random, 4);
            break;
        case 8: {
            static const char* forms[] = {"#INF", "#IND", "#NAN", "#QNAN", "#SNAN", "#X", "#"};
            s = Digits(random, 2) + "." + Digits(random, 2) + forms[random() % 7] +
                (random() % 2 ? Digits(random, 2) : "");
            break;
        }
        case 9:
            s = Digits(random, 2) + "." + Digits(random, 2) + "." + Digits(random, 2);
            break;
        case 10:
            s = Digits(random, 2) + (random() % 2 ? "." : "") + (random() % 2 ? "e" : "") +
                (random() % 2 ? "-" : "");
            break;
        default:
            s = "0." + Digits(random, 9);
            break;
    }
    return s;
}

std::string RandomText(std::mt19937& random) {
    static const char* separators[] = {
        ",",
        ", ",
        " ",
        "\t",
        "\n",
        "\n",
        ",\n",
        "\n\n",
        "\r\n",
        " ,\n",
        ",,",
        "-",
        "- ",
        " -",
        "+",
        "/* c */",
        "// line\n",
        "/*/",
        "/* /* */",
        "//",
        "/*",
        "\"s\"",
        "\"a\\n\" \"b\"",
        "x",
        "_a1",
        "@",
        ".",
        "\x80",
        "\xff",
        "\x01",
        "  ",
        "\"open",
        "e",
        "*/",
    };
    std::string text;
    int pieces = (int)(random() % 12);
    for (int i = 0; i < pieces; ++i) {
        if (random() % 3 == 0) {
            text += separators[random() % (sizeof separators / sizeof separators[0])];
        } else {
            if (random() % 4 == 0)
                text += '-';
            text += Number(random);
            if (random() % 2)
                text += random() % 3 ? ", " : ",";
        }
    }
    return text;
}

struct Outcome {
    std::vector<std::string> record;
    std::vector<std::string> boxes;
};

// Replays `ops` (from the seed) on a lexer over `text` and records every observable result.
Outcome Replay(const std::string& text, int flags, uint32_t seed, int ops, bool fast) {
    QuietReporting quiet;
    gtLexer lexer;
    lexer.SetFastPath(fast);
    lexer.flags = flags;
    lexer.SetInput(text.c_str(), (int)text.size() + 1);
    std::mt19937 random(seed);
    Outcome run;
    gtToken last;
    bool haveLast = false;
    for (int i = 0; i < ops; ++i) {
        std::string r;
        switch (random() % 8) {
            case 0:
            case 1:
            case 2:
                r = "R" + std::to_string(Bits(lexer.ReadReal()));
                break;
            case 3:
            case 4:
                r = "C" + std::to_string(lexer.SkipComma());
                break;
            case 5: {
                float v[4];
                lexer.ReadFourReals(v);
                r = "F";
                for (float x : v) r += " " + std::to_string(Bits(x));
                break;
            }
            case 6: {
                gtToken t;
                bool ok = lexer.ReadToken(&t);
                r = "T" + std::to_string(ok) + " " + std::to_string(t.kind) + " " +
                    std::to_string(t.subtype) + " " + t.Text() + " " + std::to_string(t.position) +
                    " " + std::to_string(t.line);
                if (ok) {
                    r += " " + std::to_string(Bits(t.GetReal())) + " " +
                         std::to_string(t.GetInteger());
                    last = t;
                    haveLast = true;
                }
                break;
            }
            default:
                // A pushed-back token makes the next comma probe restore the old token start.
                if (haveLast)
                    lexer.UnreadToken(last);
                r = "U";
                break;
        }
        r += " @" + std::to_string(lexer.Position()) + " L" + std::to_string(lexer.Line()) + " E" +
             std::to_string(lexer.ErrorFlag()) + " " + lexer.LastError().c_str();
        run.record.push_back(r);
    }
    run.boxes = quiet.boxes;
    return run;
}

TEST(gtLexerFastPath, SameResultsAsTheGeneralPathOnRandomTexts) {
    std::mt19937 random(20240607);
    const int flagSets[] = {0, gtLexer::kQuietSpecialFloats, gtLexer::kSilent,
                            gtLexer::kNoWarnings | gtLexer::kQuietSpecialFloats};
    for (int i = 0; i < 4000; ++i) {
        std::string text = RandomText(random);
        int flags = flagSets[random() % 4];
        uint32_t seed = random();
        int ops = 1 + (int)(random() % 16);
        Outcome fast = Replay(text, flags, seed, ops, true);
        Outcome general = Replay(text, flags, seed, ops, false);
        ASSERT_EQ(fast.record, general.record) << "text: [" << text << "]";
        ASSERT_EQ(fast.boxes, general.boxes) << "text: [" << text << "]";
    }
}

TEST(gtLexerFastPath, VectorsLikeTheReaderReadsThem) {
    std::mt19937 random(7);
    for (int i = 0; i < 3000; ++i) {
        std::string text;
        for (int k = 0; k < 3; ++k) {
            if (random() % 2)
                text += '-';
            text += Number(random);
            text += random() % 4 ? ", " : random() % 2 ? "," : " ";
        }
        Outcome fast = Replay(text, 0, 99, 12, true);
        Outcome general = Replay(text, 0, 99, 12, false);
        ASSERT_EQ(fast.record, general.record) << "text: [" << text << "]";
        ASSERT_EQ(fast.boxes, general.boxes) << "text: [" << text << "]";
    }
}

TEST(gtLexerFastPath, EdgeTexts) {
    const char* texts[] = {
        "",
        " ",
        "-",
        "- ",
        "-,",
        ",",
        "0",
        "00",
        "0.",
        ".5",
        "5.",
        "1e",
        "1e+",
        "1E-3",
        "0e5",
        "0x",
        "0b",
        "0X1f",
        "1.2.3",
        "1.#INF",
        "1.#QNAN7",
        "1.#X",
        "1#",
        "7#INF",
        "1, ",
        "1 ,2",
        "1\n,\n2",
        "-\n1",
        "- /**/1",
        "1/**/,2",
        "1//c\n,2",
        "\"a\"",
        "x,1",
        "1x",
        "-x",
        "--1",
        "+1",
        "1,,2",
        "\x80\x31",
        "1\x01,",
        ".",
        "-.5",
        "-.",
        "99999999999999999999999",
        "0.000000000000000000000000000000000000000000001",
        "1e2147483648",
        "1e-400",
        "123456789.123456789e-10",
        "1\n2\n3",
        "x\n1\n,\n2\n",
        "\n-\n1\n,\n-2\n",
        "1\n\n2,\n3\n\n4",
    };
    for (const char* text : texts) {
        for (uint32_t seed = 0; seed < 60; ++seed) {
            Outcome fast = Replay(text, 0, seed, 10, true);
            Outcome general = Replay(text, 0, seed, 10, false);
            ASSERT_EQ(fast.record, general.record) << "text: [" << text << "]";
            ASSERT_EQ(fast.boxes, general.boxes) << "text: [" << text << "]";
        }
    }
}

// The digit algorithm as written: integer digits wrap in 64 bits, fraction weights by repeated
// division, the exponent saturates, the power of ten by repeated squaring.
double NaiveValue(const std::string& s) {
    size_t i = 0;
    uint64_t integer = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9')
        integer = integer * 10 + (uint64_t)(s[i++] - '0');
    double value = (double)(int64_t)integer;
    if (i < s.size() && s[i] == '.') {
        ++i;
        double w = 0.1;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
            value = value + (double)(s[i++] - '0') * w;
            w = w / 10.0;
        }
    }
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        bool negative = false;
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            negative = s[i++] == '-';
        int e = 0;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
            int d = s[i++] - '0';
            e = e > (2147483647 - d) / 10 ? 2147483647 : e * 10 + d;
        }
        double r = 1.0, b = 10.0;
        while (e) {
            if (e & 1)
                r *= b;
            b *= b;
            e >>= 1;
        }
        value = negative ? value / r : value * r;
    }
    return value;
}

TEST(gtLexerFastPath, WeightTableHoldsTheDividedWeights) {
    volatile double divisor = 10.0;  // keeps the divisions at run time
    double w = 0.1;
    for (int k = 0; k < gtNumberText::kWeightCount; ++k) {
        EXPECT_EQ(Bits(gtNumberText::kWeights.w[k]), Bits(w)) << k;
        w = w / divisor;
    }
}

TEST(gtLexerFastPath, ValuesFollowTheDigitAlgorithm) {
    std::mt19937 random(3);
    QuietReporting quiet;
    for (int i = 0; i < 5000; ++i) {
        std::string s =
            (random() % 2 ? "1" + Digits(random, 22) : std::string("0")) + "." + Digits(random, 90);
        if (random() % 2)
            s += "e" + std::string(random() % 2 ? "-" : "") + Digits(random, 3);
        gtLexer lexer;
        lexer.SetInput(s.c_str(), (int)s.size() + 1);
        gtToken t;
        ASSERT_TRUE(lexer.ReadToken(&t));
        EXPECT_EQ(Bits(t.GetReal()), Bits(NaiveValue(s))) << s;
        lexer.SetInput(s.c_str(), (int)s.size() + 1);
        EXPECT_EQ(Bits(lexer.ReadReal()), Bits((float)NaiveValue(s))) << s;
        EXPECT_EQ(lexer.Position(), (int)s.size()) << s;
    }
    EXPECT_TRUE(quiet.boxes.empty());
}

}  // namespace
