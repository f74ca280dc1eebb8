// gtArray: the growth rule, element lifetimes and copies.
#include "toolkit/gtArray.h"

#include <gtest/gtest.h>

#include "toolkit/gtString.h"

TEST(gtArray, FixedStepGrowsByTheStep) {
    gtArray<int> a(10);
    for (int i = 0; i < 25; ++i) {
        a.Add(i);
    }
    EXPECT_EQ(a.Count(), 25);
    EXPECT_EQ(a.Capacity(), 30);
    EXPECT_EQ(a[24], 24);
}

TEST(gtArray, StepZeroGrowsByAnEighthClampedTo4And1024) {
    gtArray<int> a;
    a.Add(0);
    EXPECT_EQ(a.Capacity(), 4);  // count 0: an eighth is 0, clamped up to 4
    while (a.Count() < 4) {
        a.Add(1);
    }
    a.Add(2);
    EXPECT_EQ(a.Capacity(), 8);  // 4 / 8 = 0 -> 4
    gtArray<int> big;
    big.Reserve(64);
    big.SetCount(64);
    big.Add(1);
    EXPECT_EQ(big.Capacity(), 72);  // 64 / 8 = 8
    gtArray<int> huge;
    huge.SetCount(16384);
    ASSERT_EQ(huge.Capacity(), 16384);
    huge.Add(1);
    EXPECT_EQ(huge.Capacity(), 16384 + 1024);  // 2048 clamped to 1024
}

TEST(gtArray, NewElementsAreDefaultInitialisedAndOwned) {
    gtArray<gtString> names(2);
    names.AddNew() = "a";
    names.Add(gtString("b"));
    names.Add(names[0]);  // adding an element of itself while it grows
    ASSERT_EQ(names.Count(), 3);
    EXPECT_STREQ(names[2].c_str(), "a");
    gtArray<gtString> copy = names;
    copy[0] = "changed";
    EXPECT_STREQ(names[0].c_str(), "a");
    names.RemoveAt(0);
    EXPECT_STREQ(names[0].c_str(), "b");
    EXPECT_EQ(names.Count(), 2);
    gtArray<float> zeros;
    zeros.SetCount(3);
    EXPECT_EQ(zeros[2], 0.0f);
}
