// Integer, real and flag readings of element text: the atol / atof forms, saturation, the
// double-then-float rounding, and the flag rule's skipping and defaults.
#include "MeshAnimConverter/scene/InterchangeText.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <string>

namespace {

TEST(ParseLong, ReadsLikeA32BitAtol) {
    const struct {
        const char* text;
        int32_t value;
    } cases[] = {
        {"", 0},
        {"abc", 0},
        {"  -42abc", -42},
        {"+7", 7},
        {"\t\n\v\f\r 12", 12},
        {"1 2", 1},
        {"0x10", 0},
        {"- 5", 0},
        {"2147483647", 2147483647},
        {"2147483648", 2147483647},
        {"99999999999999999999", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"-2147483649", -2147483647 - 1},
        {"-99999999999999999999", -2147483647 - 1},
        {"007", 7},
        {"3.9", 3},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseLong(c.text), c.value) << '"' << c.text << '"';
    }
}

uint32_t Bits(float f) {
    uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return u;
}

TEST(ParseReal, ReadsTheStrtodForms) {
    const float inf = std::numeric_limits<float>::infinity();
    const struct {
        const char* text;
        float value;
    } cases[] = {
        {"", 0.0f},
        {"x", 0.0f},
        {" 1.5", 1.5f},
        {"+2", 2.0f},
        {"-.25", -0.25f},
        {"5.", 5.0f},
        {"1e3", 1000.0f},
        {"2.5E-1", 0.25f},
        {"1e", 1.0f},
        {"1e+", 1.0f},
        {"0x10", 16.0f},
        {"-0x1p-1", -0.5f},
        {"0x.8", 0.5f},
        {"0X1.8P1", 3.0f},
        {"0x", 0.0f},
        {"0.1", 0.1f},
        {"1,5", 1.0f},
        {"inf", inf},
        {"-INFINITY", -inf},
        {"1e400", inf},
        {"-1e400", -inf},
        {"1e39", inf},
        {"3.4028235e38", 3.4028235e38f},
        {"1e-400", 0.0f},
        {"12abc", 12.0f},
        {"0.000000000000000000000000000000000000000000000000001e-300", 0.0f},
        {"100000000000000000000000000000000000000000000000000000000000e300", inf},
        // Rounded to double first: the tie then rounds to even, to 1, not up to 1 + 2^-23.
        {"1.00000005960464477550", 1.0f},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Bits(ParseReal(c.text)), Bits(c.value)) << '"' << c.text << '"';
    }
}

TEST(ParseReal, SignsOfZeroAndNaN) {
    EXPECT_EQ(Bits(ParseReal("-0")), 0x80000000u);
    EXPECT_EQ(Bits(ParseReal("-0x")), 0x80000000u);  // "-0" converts
    EXPECT_EQ(Bits(ParseReal("-1e-400")), 0x80000000u);
    EXPECT_EQ(Bits(ParseReal("-.")), 0u);  // nothing converts: +0
    EXPECT_EQ(Bits(ParseReal("-")), 0u);
    EXPECT_TRUE(std::isnan(ParseReal("nan")));
    EXPECT_EQ(Bits(ParseReal("nan(1234)")), 0x7fc00000u);  // payload ignored
    EXPECT_EQ(Bits(ParseReal("-NaN")), 0xffc00000u);
}

#if defined(__GLIBC__)
// Differential property: on glibc, whose strtod is correctly rounded, random texts over the
// characters of the number forms read the same as (float)strtod (NaN payloads aside).
TEST(ParseReal, AgreesWithGlibcStrtodOnRandomTexts) {
    const char alphabet[] = "0123456789.eE+-xXpPabcdfinINFAt (";
    std::mt19937 random(99);
    std::uniform_int_distribution<int> pick(0, sizeof alphabet - 2);
    std::uniform_int_distribution<int> length(0, 14);
    for (int i = 0; i < 200000; ++i) {
        std::string text;
        for (int n = length(random); n > 0; --n) {
            text += alphabet[pick(random)];
        }
        const float want = static_cast<float>(std::strtod(text.c_str(), nullptr));
        const float got = ParseReal(text.c_str());
        if (std::isnan(want)) {
            ASSERT_TRUE(std::isnan(got)) << text;
            ASSERT_EQ(std::signbit(want), std::signbit(got)) << text;
        } else {
            ASSERT_EQ(Bits(got), Bits(want)) << '"' << text << '"';
        }
    }
    // Long digit runs exercise the rounding of both steps.
    const char digits[] = "0123456789012345678901234567890123456789.e-";
    std::uniform_int_distribution<int> pickDigit(0, sizeof digits - 2);
    std::uniform_int_distribution<int> longLength(1, 60);
    for (int i = 0; i < 100000; ++i) {
        std::string text;
        for (int n = longLength(random); n > 0; --n) {
            text += digits[pickDigit(random)];
        }
        const float want = static_cast<float>(std::strtod(text.c_str(), nullptr));
        ASSERT_EQ(Bits(ParseReal(text.c_str())), Bits(want)) << '"' << text << '"';
    }
}
#endif

TEST(ParseFlag, SkipsControlBytesAndMatchesTrueOrFalse) {
    const struct {
        const char* text;
        int32_t defaultValue;
        int32_t value;
    } cases[] = {
        {"TRUE ", 0, 1},    {" true", 0, 1},    {"\x01\x1f\x20trUe", 0, 1},
        {"truex", 0, 1},    {"False", 1, 0},    {"\n\tfalse\n", 1, 0},
        {"yes", 0, 0},      {"yes", 1, 1},      {"", 1, 1},
        {"   ", 0, 0},      {"1", 0, 0},        {"tru", 1, 1},
        {"\x7ftrue", 0, 0}, {"\xa0true", 0, 0},  // only bytes 0x01 to 0x20 are skipped
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseFlag(c.text, c.defaultValue), c.value)
            << '"' << c.text << "\" default " << c.defaultValue;
    }
}

}  // namespace
