// Property: every finite float the importer writes reads back to the same bits through the
// converter's token lexer, across magnitudes (denormals to the largest floats), signs and zeros.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <string>

#include "tools/import/InterchangeWriter.h"
#include "xml/gtLexer.h"

namespace {

float ReadBack(const std::string& text) {
    gtLexer lexer;
    lexer.SetInput(text.c_str(), static_cast<int>(text.size()) + 1);
    return lexer.ReadReal();
}

TEST(NumberRoundTrip, WrittenRealsReadBackBitForBit) {
    std::mt19937 rng(11);
    std::uniform_int_distribution<std::uint32_t> bits;
    int checked = 0;
    for (int i = 0; i < 200000; ++i) {
        const float value = std::bit_cast<float>(bits(rng));
        if (!std::isfinite(value)) {
            continue;
        }
        const std::string text = FormatReal(value);
        ASSERT_EQ(std::bit_cast<std::uint32_t>(ReadBack(text)), std::bit_cast<std::uint32_t>(value))
            << text;
        ++checked;
    }
    EXPECT_GT(checked, 190000);
}

TEST(NumberRoundTrip, EdgeValues) {
    const float values[] = {0.0f,
                            -0.0f,
                            1.0f,
                            -1.0f,
                            0.1f,
                            0.70710678f,
                            1e-5f,
                            123456789.0f,
                            std::numeric_limits<float>::min(),
                            std::numeric_limits<float>::denorm_min(),
                            std::numeric_limits<float>::max(),
                            -std::numeric_limits<float>::max()};
    for (const float value : values) {
        const std::string text = FormatReal(value);
        EXPECT_EQ(std::bit_cast<std::uint32_t>(ReadBack(text)), std::bit_cast<std::uint32_t>(value))
            << text;
    }
    EXPECT_EQ(FormatReal(0.5f), "0.5");
    EXPECT_EQ(FormatReal(-2.0f), "-2");
    EXPECT_EQ(FormatReal(1e-5f), "9.99999975e-06");
}

}  // namespace
