// gtString: sharing, copy-on-write, unshareable buffers, pooled capacities, formatting and the
// case-blind comparison.
#include "toolkit/gtString.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

TEST(gtString, EmptyStringIsStaticAndNeverShared) {
    gtString a;
    gtString b("");
    EXPECT_EQ(a.c_str(), b.c_str());
    EXPECT_EQ(a.RefCount(), -1);
    EXPECT_EQ(a.Length(), 0);
    EXPECT_STREQ(gtString(nullptr).c_str(), "");
}

TEST(gtString, CopiesShareAndRaiseTheCount) {
    gtString a("mesh");
    EXPECT_EQ(a.RefCount(), 1);
    {
        gtString b = a;
        EXPECT_EQ(a.c_str(), b.c_str());
        EXPECT_EQ(a.RefCount(), 2);
    }
    EXPECT_EQ(a.RefCount(), 1);
}

TEST(gtString, ChangingASharedStringCopiesItFirst) {
    gtString a("bone");
    gtString b = a;
    b += ".L";
    EXPECT_STREQ(a.c_str(), "bone");
    EXPECT_STREQ(b.c_str(), "bone.L");
    EXPECT_EQ(a.RefCount(), 1);
    gtString c = a;
    c.SetAt(0, 'B');
    EXPECT_STREQ(a.c_str(), "bone");
    EXPECT_STREQ(c.c_str(), "Bone");
}

TEST(gtString, UnshareableBuffersAreCopiedDeeply) {
    gtString a("private");
    a.MakeUnshareable();
    EXPECT_EQ(a.RefCount(), -1);
    gtString b = a;
    EXPECT_NE(a.c_str(), b.c_str());
    EXPECT_EQ(b.RefCount(), 1);
    EXPECT_EQ(a, b);
}

TEST(gtString, CapacitiesFollowTheSizeClasses) {
    const struct {
        int length;
        int capacity;
    } cases[] = {{1, 32},    {32, 32},   {33, 64},   {64, 64},   {65, 128},   {200, 256},
                 {256, 256}, {257, 512}, {512, 512}, {513, 513}, {5000, 5000}};
    for (const auto& c : cases) {
        const std::string text(static_cast<size_t>(c.length), 'x');
        gtString s(text.c_str());
        EXPECT_EQ(s.Length(), c.length);
        EXPECT_EQ(s.Capacity(), c.capacity) << "length " << c.length;
    }
}

TEST(gtString, AppendingGrowsAcrossClassesAndKeepsContents) {
    gtString s;
    std::string expected;
    for (int i = 0; i < 3000; ++i) {
        const char c = static_cast<char>('a' + i % 26);
        s += c;
        expected += c;
    }
    EXPECT_EQ(s.Length(), 3000);
    EXPECT_EQ(expected, s.c_str());
    s += s;  // appending itself
    EXPECT_EQ(expected + expected, s.c_str());
}

TEST(gtString, FormatGoesThroughA16384ByteBuffer) {
    EXPECT_STREQ(gtString::Format("%d-%s", 42, "x").c_str(), "42-x");
    const std::string longText(20000, 'y');
    const gtString s = gtString::Format("%s", longText.c_str());
    EXPECT_EQ(s.Length(), 16383);
}

TEST(gtString, CaseBlindComparisonFoldsAsciiLettersOnly) {
    EXPECT_EQ(gtString::CompareNoCase("Bone.Head", "bone.head"), 0);
    EXPECT_LT(gtString::CompareNoCase("abc", "ABD"), 0);
    EXPECT_GT(gtString::CompareNoCase("b", "A"), 0);
    // Letters fold to lower case, so they sort after the underscore.
    EXPECT_GT(gtString::CompareNoCase("A", "_"), 0);
    EXPECT_NE(gtString::CompareNoCase("\xC4", "\xE4"), 0);
    EXPECT_TRUE(gtString("TRUE").EqualsNoCase("true"));
}

TEST(gtString, LowerTrimAndSubstrings) {
    gtString s(" \t Walk.V2 \r\n");
    s.Trim();
    EXPECT_STREQ(s.c_str(), "Walk.V2");
    EXPECT_STREQ(s.Lowered().c_str(), "walk.v2");
    EXPECT_STREQ(s.c_str(), "Walk.V2");
    EXPECT_STREQ(s.Left(4).c_str(), "Walk");
    EXPECT_STREQ(s.Mid(5).c_str(), "V2");
    EXPECT_STREQ(s.Mid(10).c_str(), "");
    EXPECT_EQ(s.FindLast('.'), 4);
    EXPECT_EQ(s.Find("V2"), 5);
    gtString blank("   ");
    blank.Trim();
    EXPECT_TRUE(blank.IsEmpty());
}

TEST(gtString, CountsStayExactAcrossThreads) {
    gtString shared("shared between threads");
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&shared] {
            for (int i = 0; i < 20000; ++i) {
                gtString copy = shared;
                gtString fresh("pooled buffer");
                fresh += copy;
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(shared.RefCount(), 1);
}
