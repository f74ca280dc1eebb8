// Texture descriptors: file contents, paths, map renaming and the overwrite questions.
#include "MeshAnimConverter/mesh/TextureDescriptorWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>

#ifndef _WIN32
#include <sys/resource.h>
#endif

#include "MeshTestFiles.h"
#include "toolkit/gtLineSink.h"

namespace {

constexpr uint8_t kTileST = 3;

struct PathList : gtLineSink {
    void Line(const char* text) override { paths.emplace_back(text); }
    std::vector<std::string> paths;
};

// The names in a folder, sorted.
std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

struct DescriptorFixture : ::testing::Test {
    ScratchFolder folder;
    RecordingUserInterface ui;
    TextureDescriptorState state;

    void SetUp() override {
        state.imPath = folder.File("wall.im").c_str();
        state.ui = &ui;
    }
};

TEST_F(DescriptorFixture, DiffuseMapWithTilingInBothDirections) {
    gtString name = "c:\\art\\brick.tga";
    WriteTextureDescriptor(state, name, kTileST, nullptr);
    EXPECT_EQ(ReadWholeFile(folder.File("brick.texture.txt")), "Primary=brick.tga\nTile=st\n");
    EXPECT_STREQ(name.c_str(), folder.File("brick.texture").c_str());
}

TEST_F(DescriptorFixture, OpacityFoldsIntoTheDiffuseDescriptor) {
    gtString name = "c:\\art\\brick.tga";
    const gtString alpha = "c:\\art\\brickmask.tga";
    WriteTextureDescriptor(state, name, kTileST, &alpha);
    EXPECT_EQ(ReadWholeFile(folder.File("brick-brickmask.texture.txt")),
              "Primary=brick.tga\nAlpha=brickmask.tga\nTile=st\n");
    EXPECT_STREQ(name.c_str(), folder.File("brick-brickmask.texture").c_str());
    EXPECT_STREQ(alpha.c_str(), "c:\\art\\brickmask.tga");
    ASSERT_EQ(ui.ReferencedTextures().Count(), 2);
    EXPECT_STREQ(ui.ReferencedTextures()[1].c_str(), "c:\\art\\brickmask.tga");
}

TEST_F(DescriptorFixture, TileLinesFollowTheTilingBits) {
    const struct {
        const char* image;
        uint8_t tiling;
        const char* text;
    } cases[] = {
        {"a.tga", 0, "Primary=a.tga\n"},
        {"b.tga", 1, "Primary=b.tga\nTile=s\n"},
        {"c.tga", 2, "Primary=c.tga\nTile=t\n"},
        {"d.tga", 3, "Primary=d.tga\nTile=st\n"},
        {"NoTile_e.tga", 3, "Primary=NoTile_e.tga\n"},
        {"notile_f.tga", 1, "Primary=notile_f.tga\n"},
        {"notable.tga", 3, "Primary=notable.tga\nTile=st\n"},
        {"notile.tga", 3, "Primary=notile.tga\nTile=st\n"},
    };
    for (const auto& c : cases) {
        gtString name = c.image;
        WriteTextureDescriptor(state, name, c.tiling, nullptr);
        const std::string title = std::string(c.image).substr(0, std::string(c.image).size() - 4);
        EXPECT_EQ(ReadWholeFile(folder.File(title + ".texture.txt")), c.text) << c.image;
    }
}

TEST_F(DescriptorFixture, PrimaryNameIsCutAtTheLastBackslashFirst) {
    gtString name = "c:/art\\sub/brick.tga";
    WriteTextureDescriptor(state, name, 0, nullptr);
    EXPECT_EQ(ReadWholeFile(folder.File("brick.texture.txt")), "Primary=sub/brick.tga\n");
    gtString slashes = "/art/sub/stone.png";
    WriteTextureDescriptor(state, slashes, 0, nullptr);
    EXPECT_EQ(ReadWholeFile(folder.File("stone.texture.txt")), "Primary=stone.png\n");
}

TEST_F(DescriptorFixture, ExistingReferenceIsLeftAlone) {
    gtString name = "c:\\out\\brick.texture";
    WriteTextureDescriptor(state, name, kTileST, nullptr);
    EXPECT_STREQ(name.c_str(), "c:\\out\\brick.texture");
    EXPECT_TRUE(std::filesystem::is_empty(folder.Path()));
    EXPECT_EQ(ui.queries, 1);
    EXPECT_EQ(ui.ReferencedTextures().Count(), 1);
}

TEST_F(DescriptorFixture, ReferencedTexturesAreListedOnceIgnoringCase) {
    gtString a = "Brick.tga";
    gtString b = "brick.TGA";
    WriteTextureDescriptor(state, a, 0, nullptr);
    WriteTextureDescriptor(state, b, 0, nullptr);
    EXPECT_EQ(ui.ReferencedTextures().Count(), 1);
}

TEST_F(DescriptorFixture, OverwriteAllReplacesWithoutAsking) {
    WriteWholeFile(folder.File("brick.texture.txt"), "old contents\n");
    gtString name = "brick.tga";
    WriteTextureDescriptor(state, name, 0, nullptr);
    EXPECT_EQ(ReadWholeFile(folder.File("brick.texture.txt")), "Primary=brick.tga\n");
    EXPECT_TRUE(ui.asked.empty());
}

TEST_F(DescriptorFixture, DeclinedOverwriteKeepsTheFileAndStillRenames) {
    state.overwriteAll = false;
    state.askAboutAll = true;
    ui.queryAnswer = true;  // keep ask-about-all set
    WriteWholeFile(folder.File("brick.texture.txt"), "old contents\n");
    gtString name = "brick.tga";
    ui.replies = {false, false};
    WriteTextureDescriptor(state, name, 0, nullptr);
    EXPECT_EQ(ReadWholeFile(folder.File("brick.texture.txt")), "old contents\n");
    EXPECT_STREQ(name.c_str(), folder.File("brick.texture").c_str());
    ASSERT_EQ(ui.asked.size(), 2u);
    EXPECT_EQ(ui.asked[0], "Do you wish to overwrite all existing .texture.txt files?\n");
    EXPECT_EQ(ui.asked[1], "T.texture.txt file " + folder.File("brick.texture.txt") +
                               " already exists.\n  Overwrite file?\n");
    EXPECT_FALSE(state.askAboutAll);
    EXPECT_FALSE(state.overwriteAll);
}

TEST_F(DescriptorFixture, YesToAllSetsOverwriteAll) {
    state.overwriteAll = false;
    state.askAboutAll = true;
    ui.queryAnswer = true;
    WriteWholeFile(folder.File("brick.texture.txt"), "old\n");
    gtString name = "brick.tga";
    ui.replies = {true};
    WriteTextureDescriptor(state, name, 0, nullptr);
    EXPECT_EQ(ReadWholeFile(folder.File("brick.texture.txt")), "Primary=brick.tga\n");
    EXPECT_EQ(ui.asked.size(), 1u);
    EXPECT_TRUE(state.overwriteAll);
    EXPECT_FALSE(state.askAboutAll);
}

TEST_F(DescriptorFixture, QueryAnsweringNoClearsAskAboutAll) {
    state.overwriteAll = false;
    state.askAboutAll = true;
    WriteWholeFile(folder.File("brick.texture.txt"), "old\n");
    gtString name = "brick.tga";
    ui.replies = {true};  // yes to the single-file question
    WriteTextureDescriptor(state, name, 0, nullptr);
    ASSERT_EQ(ui.asked.size(), 1u);
    EXPECT_EQ(ui.asked[0].rfind("T.texture.txt file ", 0), 0u);
    EXPECT_EQ(ReadWholeFile(folder.File("brick.texture.txt")), "Primary=brick.tga\n");
}

TEST_F(DescriptorFixture, MissingFileIsWrittenWithoutQuestions) {
    state.overwriteAll = false;
    state.askAboutAll = true;
    ui.queryAnswer = true;
    gtString name = "brick.tga";
    WriteTextureDescriptor(state, name, 0, nullptr);
    EXPECT_TRUE(ui.asked.empty());
    EXPECT_EQ(ReadWholeFile(folder.File("brick.texture.txt")), "Primary=brick.tga\n");
}

TEST_F(DescriptorFixture, UnwritableFolderGivesANoticeAndStillRenames) {
    state.imPath = (folder.Path() + "/missing/wall.im").c_str();
    gtString name = "brick.tga";
    WriteTextureDescriptor(state, name, 0, nullptr);
    ASSERT_EQ(ui.asked.size(), 1u);
    EXPECT_EQ(ui.kinds[0], 0);
    EXPECT_EQ(ui.asked[0], "Could not open texture file " + folder.Path() + "/missing" + kJoin +
                               "brick.texture.txt for writing.\n");
    EXPECT_STREQ(name.c_str(), (folder.Path() + "/missing" + kJoin + "brick.texture").c_str());
}

TEST_F(DescriptorFixture, ImPathWithoutFolderWritesBesideTheProgram) {
    state.imPath = "wall.im";
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(folder.Path());
    gtString name = "c:\\art\\brick.tga";
    WriteTextureDescriptor(state, name, 0, nullptr);
    std::filesystem::current_path(previous);
    EXPECT_STREQ(name.c_str(), "brick.texture");
    EXPECT_EQ(ReadWholeFile(folder.File("brick.texture.txt")), "Primary=brick.tga\n");
}

TEST_F(DescriptorFixture, LongNamesAreNotCut) {
    std::string longTitle(600, 'x');
    gtString name = (longTitle + ".tga").c_str();
    WriteTextureDescriptor(state, name, 0, nullptr);
    EXPECT_STREQ(name.c_str(), folder.File(longTitle + ".texture").c_str());
}

TEST_F(DescriptorFixture, WrittenDescriptorsAreReportedOnceInPlace) {
    PathList written;
    state.written = &written;
    gtString name = "brick.tga";
    WriteTextureDescriptor(state, name, 0, nullptr);
    gtString reference = "other.texture";  // already a reference: nothing written
    WriteTextureDescriptor(state, reference, 0, nullptr);
    EXPECT_EQ(written.paths, std::vector<std::string>{folder.File("brick.texture.txt")});
    EXPECT_EQ(Names(folder.Path()), std::vector<std::string>{"brick.texture.txt"});
}

TEST_F(DescriptorFixture, ReadOnlyDescriptorStaysWithTheNotice) {
    namespace fs = std::filesystem;
    const std::string path = folder.File("brick.texture.txt");
    WriteWholeFile(path, "old contents\n");
    fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    PathList written;
    state.written = &written;
    gtString name = "brick.tga";
    WriteTextureDescriptor(state, name, 0, nullptr);  // overwrite-all, as the converter runs
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
    EXPECT_EQ(ReadWholeFile(path), "old contents\n");
    ASSERT_EQ(ui.asked.size(), 1u);
    EXPECT_EQ(ui.kinds[0], 0);
    EXPECT_EQ(ui.asked[0], "Could not open texture file " + path + " for writing.\n");
    EXPECT_STREQ(name.c_str(), folder.File("brick.texture").c_str());
    EXPECT_TRUE(written.paths.empty());
    EXPECT_EQ(Names(folder.Path()), std::vector<std::string>{"brick.texture.txt"});
}

#ifndef _WIN32
// A write that fails part way (the file size limit of the process: the descriptor's text does
// not fit in 4 bytes) keeps the old descriptor whole, leaves no temporary file and gives the
// notice of a failed open; the map name is rewritten all the same.
TEST_F(DescriptorFixture, FailedWriteKeepsTheOldDescriptorAndNoTemporary) {
    const std::string path = folder.File("brick.texture.txt");
    WriteWholeFile(path, "old contents\n");
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit tiny = saved;
    tiny.rlim_cur = 4;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &tiny), 0);
    gtString name = "brick.tga";
    WriteTextureDescriptor(state, name, 3, nullptr);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(ReadWholeFile(path), "old contents\n");
    ASSERT_EQ(ui.asked.size(), 1u);
    EXPECT_EQ(ui.asked[0], "Could not open texture file " + path + " for writing.\n");
    EXPECT_STREQ(name.c_str(), folder.File("brick.texture").c_str());
    EXPECT_EQ(Names(folder.Path()), std::vector<std::string>{"brick.texture.txt"});
}
#endif

}  // namespace
