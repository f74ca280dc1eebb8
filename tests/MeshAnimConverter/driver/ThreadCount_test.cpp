// The VANTOK_THREADS rule, case by case.
#include "MeshAnimConverter/driver/ThreadCount.h"

#include <gtest/gtest.h>

namespace {

struct Case {
    const char* value;
    unsigned hardware;
    unsigned expected;
};

TEST(ThreadCount, TableOfSettings) {
    const Case cases[] = {
        {nullptr, 8, 8},  // unset: the hardware's count
        {"", 8, 8},       // empty
        {"0", 8, 8},      // zero
        {"1", 8, 1},      // one thread
        {"2", 8, 2},      // a cap below the hardware's count
        {"8", 8, 8},      // equal
        {"16", 8, 8},     // a cap above it changes nothing
        {"007", 8, 7},    // leading zeros are digits
        {"abc", 8, 8},    // not a number
        {"4x", 8, 8},     // trailing garbage: not a number
        {" 4", 8, 8},     // white space: not a number
        {"-3", 8, 8},     // negative: not a positive integer
        {"+3", 8, 8},
        {"99999999999999999999999", 8, 8},  // huge: saturates at the hardware's count
        {nullptr, 0, 1},                    // hardware unknown: one thread
        {"4", 0, 1},
        {"1", 1, 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ThreadCountSetting(c.value, c.hardware), c.expected)
            << (c.value ? c.value : "(unset)") << " with " << c.hardware;
    }
}

}  // namespace
