// UTF-8 and wide-character conversion of the platform layer: the entry's arguments, a table of
// well-formed and malformed UTF-8 (expected code units written out by hand), and a round-trip
// property over the code points.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "toolkit/platform/Platform.h"

namespace {

constexpr bool kWide16 = sizeof(wchar_t) == 2;

// The wide form of code points: surrogate pairs where wchar_t has 16 bits.
std::wstring Wide(std::initializer_list<char32_t> codePoints) {
    std::wstring w;
    for (char32_t c : codePoints) {
        if (kWide16 && c >= 0x10000) {
            w += static_cast<wchar_t>(0xD800 + ((c - 0x10000) >> 10));
            w += static_cast<wchar_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            w += static_cast<wchar_t>(c);
        }
    }
    return w;
}

}  // namespace

TEST(TextConversion, ArgumentsOfTheWideEntryBecomeUtf8) {
    const wchar_t* argv[] = {L"VantokMeshImporter.exe",
                             L"-inFile",
                             L"mod\u00e8le_\u65e5\u672c\\fig\u00fcr.xml",
                             L"-outFile",
                             L"\u03b1\u03b2\u03b3/Lauf_\u00df",
                             L"",
                             nullptr};
    const std::vector<std::string> args = platform::ArgumentsToUtf8(6, argv);
    ASSERT_EQ(args.size(), 6u);
    EXPECT_EQ(args[0], "VantokMeshImporter.exe");
    EXPECT_EQ(args[1], "-inFile");
    // è = C3 A8, 日 = E6 97 A5, 本 = E6 9C AC, ü = C3 BC
    EXPECT_EQ(args[2], "mod\xC3\xA8le_\xE6\x97\xA5\xE6\x9C\xAC\\fig\xC3\xBCr.xml");
    // α β γ = CE B1, CE B2, CE B3; ß = C3 9F
    EXPECT_EQ(args[4], "\xCE\xB1\xCE\xB2\xCE\xB3/Lauf_\xC3\x9F");
    EXPECT_EQ(args[5], "");
    EXPECT_TRUE(platform::ArgumentsToUtf8(0, argv).empty());
    // a short argv ends at its null entry whatever argc says
    const wchar_t* shortArgv[] = {L"a", nullptr};
    EXPECT_EQ(platform::ArgumentsToUtf8(3, shortArgv).size(), 1u);
}

TEST(TextConversion, WellFormedUtf8) {
    struct Case {
        const char* utf8;
        std::wstring wide;
    };
    const Case cases[] = {
        {"", Wide({})},
        {"plain.xml", Wide({'p', 'l', 'a', 'i', 'n', '.', 'x', 'm', 'l'})},
        {"\x7F", Wide({0x7F})},
        {"\xC2\x80", Wide({0x80})},  // smallest two-byte form
        {"fig\xC3\xBCr", Wide({'f', 'i', 'g', 0xFC, 'r'})},
        {"\xDF\xBF", Wide({0x7FF})},      // largest two-byte form
        {"\xE0\xA0\x80", Wide({0x800})},  // smallest three-byte form
        {"\xCE\xA9\xE6\x97\xA5", Wide({0x3A9, 0x65E5})},
        {"\xEF\xBF\xBD", Wide({0xFFFD})},
        {"\xF0\x9F\x98\x80", Wide({0x1F600})},   // a surrogate pair on 16-bit wchar_t
        {"\xF4\x8F\xBF\xBF", Wide({0x10FFFF})},  // the last code point
    };
    for (const Case& c : cases) {
        std::wstring wide;
        EXPECT_TRUE(platform::Utf8ToWide(c.utf8, wide)) << c.utf8;
        EXPECT_EQ(wide, c.wide) << c.utf8;
        EXPECT_EQ(platform::WideToUtf8(c.wide), c.utf8);
    }
}

TEST(TextConversion, MalformedUtf8IsRefused) {
    const char* cases[] = {
        "fig\xFCr.xml",      // an ANSI code page byte, not UTF-8
        "\x80",              // stray continuation byte
        "a\xC3",             // truncated two-byte form at the end
        "\xE6\x97",          // truncated three-byte form
        "\xE6\x41\xA5",      // a lead byte followed by ASCII
        "\xC0\xAF",          // overlong '/'
        "\xC1\xBF",          // overlong 0x7F
        "\xE0\x80\xAF",      // overlong three-byte form
        "\xF0\x8F\xBF\xBF",  // overlong four-byte form
        "\xED\xA0\x80",      // a surrogate
        "\xED\xBF\xBF",      // the last surrogate
        "\xF4\x90\x80\x80",  // above U+10FFFF
        "\xF8\x88\x80\x80\x80",
        "\xFF",
    };
    for (const char* c : cases) {
        std::wstring wide;
        EXPECT_FALSE(platform::Utf8ToWide(c, wide)) << ::testing::PrintToString(std::string(c));
    }
}

TEST(TextConversion, UnpairedSurrogatesBecomeReplacementCharacters) {
    const std::string replacement = "\xEF\xBF\xBD";
    EXPECT_EQ(platform::WideToUtf8(std::wstring(1, static_cast<wchar_t>(0xD800))), replacement);
    EXPECT_EQ(platform::WideToUtf8(std::wstring(1, static_cast<wchar_t>(0xDFFF)) + L"a"),
              replacement + "a");
    // a high surrogate followed by something else than a low one
    std::wstring pairless{static_cast<wchar_t>(0xD83D), L'x'};
    EXPECT_EQ(platform::WideToUtf8(pairless), replacement + "x");
}

TEST(TextConversion, EveryCodePointRoundTrips) {
    for (char32_t c = 1; c <= 0x10FFFF; c += (c < 0x1000 ? 1 : 61)) {
        if (c >= 0xD800 && c <= 0xDFFF) {
            continue;
        }
        const std::wstring wide = Wide({c, 'x'});
        const std::string utf8 = platform::WideToUtf8(wide);
        ASSERT_EQ(utf8.size(), (c < 0x80 ? 1u : c < 0x800 ? 2u : c < 0x10000 ? 3u : 4u) + 1u);
        std::wstring back;
        ASSERT_TRUE(platform::Utf8ToWide(utf8, back)) << static_cast<unsigned>(c);
        ASSERT_EQ(back, wide) << static_cast<unsigned>(c);
    }
}
