// Path helpers: splitting on both separators, joining with the platform's own.
#include "toolkit/gtPath.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Sep(const char* text) {
    std::string s(text);
    for (char& c : s) {
        if (c == '|') {
            c = PathSeparator();
        }
    }
    return s;
}

}  // namespace

TEST(gtPath, WithoutExtension) {
    const char* cases[][2] = {
        {"c:\\a\\model.final.xml", "c:\\a\\model.final"},
        {"c:\\a\\model.final", "c:\\a\\model"},
        {"dir.v2/model", "dir.v2/model"},
        {"dir.v2\\model", "dir.v2\\model"},
        {"model", "model"},
        {".hidden", ""},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(PathWithoutExtension(c[0]).c_str(), c[1]) << c[0];
    }
}

TEST(gtPath, WithExtension) {
    EXPECT_STREQ(PathWithExtension("c:\\out\\car.bin", "im").c_str(), "c:\\out\\car.im");
    EXPECT_STREQ(PathWithExtension("c:\\out\\car", ".kin").c_str(), "c:\\out\\car.kin");
    EXPECT_STREQ(PathWithExtension("c:\\a\\model.final", "im").c_str(), "c:\\a\\model.im");
    EXPECT_STREQ(PathWithExtension("c:\\a\\model", "").c_str(), "c:\\a\\model");
}

TEST(gtPath, DirectoryAndTitle) {
    EXPECT_STREQ(PathDirectory("c:\\converted\\wheel.kin").c_str(), "c:\\converted\\");
    EXPECT_STREQ(PathDirectory("a/b\\c.txt").c_str(), "a/b\\");
    EXPECT_STREQ(PathDirectory("wheel.kin").c_str(), "");
    EXPECT_STREQ(PathTitle("c:\\converted\\wheel.kin").c_str(), "wheel");
    EXPECT_STREQ(PathTitle("a/b.c.d").c_str(), "b.c");
    EXPECT_STREQ(PathTitle("noext").c_str(), "noext");
}

TEST(gtPath, JoinWritesThePlatformSeparator) {
    EXPECT_STREQ(PathJoin("", "walk").c_str(), "walk");
    EXPECT_EQ(std::string(PathJoin("c:\\converted\\", "walk").c_str()), "c:\\converted\\walk");
    EXPECT_EQ(std::string(PathJoin("out", "walk").c_str()), Sep("out|walk"));
    EXPECT_EQ(std::string(PathJoin("out", "/walk").c_str()), Sep("out|walk"));
    EXPECT_EQ(std::string(PathJoin("out", "walk/").c_str()), Sep("out|walk"));
    EXPECT_EQ(std::string(PathJoin("out/", "").c_str()), "out");
}

TEST(gtPath, ThirdUnnamedAnimationPath) {
    // The output naming of animations: directory joined with title + number, then ".kin".
    const gtString k = PathWithExtension("c:\\converted\\wheel", "kin");
    gtString name = PathTitle(k);
    name += "3";
    EXPECT_STREQ(PathWithExtension(PathJoin(PathDirectory(k), name), "kin").c_str(),
                 "c:\\converted\\wheel3.kin");
}
