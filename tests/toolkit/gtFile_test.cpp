// gtFile over the file device: open rules, reads, seeks, size, and the handle pool.
#include "toolkit/gtFile.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/TestFiles.h"
#include "toolkit/FileHandle.h"
#include "toolkit/gtFileDevice.h"

namespace {

// Runs a test body with the current directory set to `dir`.
class CurrentDirectory {
public:
    explicit CurrentDirectory(const std::filesystem::path& dir)
        : m_old(std::filesystem::current_path()) {
        std::filesystem::current_path(dir);
    }
    ~CurrentDirectory() { std::filesystem::current_path(m_old); }

private:
    std::filesystem::path m_old;
};

}  // namespace

TEST(gtFile, ReadsSeeksAndSizes) {
    ScratchFolder dir;
    const std::string path = dir.Write("ten.bin", "0123456789");
    gtFile file;
    ASSERT_TRUE(file.Open(path.c_str(), gtFileDevice::kRead));
    char buffer[4] = {};
    EXPECT_EQ(file.Read(buffer, 0), 0);
    EXPECT_EQ(file.Tell(), 0);
    EXPECT_EQ(file.Read(buffer, 3), 3);
    EXPECT_EQ(std::string(buffer, 3), "012");
    EXPECT_EQ(file.Size(), 10);
    EXPECT_EQ(file.Tell(), 3);
    EXPECT_EQ(file.Seek(-2, gtStream::kFromEnd), 8);
    EXPECT_EQ(file.Seek(1, gtStream::kFromCurrent), 9);
    EXPECT_EQ(file.Seek(4, 7), 13);  // any other origin counts from the current position
    EXPECT_EQ(file.Seek(0, gtStream::kFromStart), 0);
    EXPECT_EQ(file.Read(buffer, 4), 4);
}

TEST(gtFile, MissingFileLeavesTheHandleNull) {
    ScratchFolder dir;
    gtFile file;
    EXPECT_FALSE(file.Open(dir.File("missing.xml").c_str(), gtFileDevice::kRead));
    EXPECT_FALSE(file.IsOpen());
    char buffer[4];
    EXPECT_EQ(file.Read(buffer, 4), 0);
    EXPECT_EQ(file.Write("x", 1), 0);
    EXPECT_EQ(file.Seek(0, 0), -1);
    EXPECT_EQ(file.Tell(), -1);
    EXPECT_EQ(file.Size(), -1);
    EXPECT_EQ(file.CapabilityFlags(), 0x1C0);
}

TEST(gtFile, OpenRejectsEmptyPathsAndModes) {
    FileHandleBase* handle = nullptr;
    EXPECT_EQ(gtGetFileDevice()->Open(&handle, "", gtFileDevice::kRead), 0);
    EXPECT_EQ(gtGetFileDevice()->Open(&handle, nullptr, gtFileDevice::kRead), 0);
    EXPECT_EQ(gtGetFileDevice()->Open(&handle, "x", 0), 0);
    EXPECT_EQ(handle, nullptr);
    EXPECT_EQ(gtGetFileDevice()->CloseHandle(&handle), 0);
}

TEST(gtFile, RelativeAndAbsolutePathsOpen) {
    ScratchFolder dir;
    std::filesystem::create_directories(dir.Dir() / "sub");
    dir.Write("sub/model.xml", "<a/>");
    const std::string absolute = dir.File("sub/model.xml");
    CurrentDirectory here(dir.Dir());
    EXPECT_EQ(gtGetFileDevice()->FileExists("sub/model.xml"), 1);
    EXPECT_EQ(gtGetFileDevice()->CanOpen(absolute.c_str()), 1);
}

TEST(gtFile, FileNameRetryFindsTheFileInTheCurrentFolder) {
    ScratchFolder dir;
    dir.Write("model.xml", "<a/>");
    CurrentDirectory here(dir.Dir());
    gtFile file;
    // A relative path whose folder does not exist falls back to the file name alone.
    EXPECT_TRUE(file.Open("no/such/folder/model.xml", gtFileDevice::kRead));
}

#ifndef _WIN32
TEST(gtFile, MissingAbsolutePathIsNotFoundInTheCurrentFolder) {
    ScratchFolder dir;
    dir.Write("model.xml", "<a/>");
    CurrentDirectory here(dir.Dir());
    gtFile file;
    EXPECT_FALSE(file.Open("/no/such/folder/model.xml", gtFileDevice::kRead));
}
#endif

TEST(gtFile, WriteAndAppendModes) {
    ScratchFolder dir;
    const std::string path = dir.File("out.txt");
    {
        gtFile file;
        ASSERT_TRUE(file.Open(path.c_str(), gtFileDevice::kWrite | gtFileDevice::kRead));
        EXPECT_EQ(file.Write("abc", 3), 3);
    }
    {
        gtFile file;
        ASSERT_TRUE(file.Open(path.c_str(), gtFileDevice::kAppend));
        EXPECT_EQ(file.Write("de", 2), 2);
    }
    {
        gtFile file;
        ASSERT_TRUE(file.Open(path.c_str(), gtFileDevice::kRead));
        EXPECT_EQ(file.Size(), 5);
    }
    EXPECT_EQ(gtGetFileDevice()->DeleteFile(path.c_str()), 1);
    EXPECT_EQ(gtGetFileDevice()->FileExists(path.c_str()), 0);
}

TEST(gtFile, HandlesReturnToThePool) {
    ScratchFolder dir;
    const std::string path = dir.Write("a.txt", "a");
    const int before = FileHandleStandard::OutstandingCount();
    for (int i = 0; i < 100; ++i) {
        gtFile file;
        ASSERT_TRUE(file.Open(path.c_str(), gtFileDevice::kRead));
        EXPECT_EQ(FileHandleStandard::OutstandingCount(), before + 1);
    }
    EXPECT_EQ(FileHandleStandard::OutstandingCount(), before);
}

TEST(gtFile, SearchTablesAddDirectoriesByExtension) {
    ScratchFolder dir;
    std::filesystem::create_directories(dir.Dir() / "textures");
    dir.Write("textures/wood.tga", "t");
    CurrentDirectory here(dir.Dir());
    WinFileDevice device;
    WinFileDevice::SearchEntry entry;
    entry.extension = "tga";
    entry.directory = "textures/";
    device.FirstTable().Add(entry);
    FileHandleBase* handle = nullptr;
    EXPECT_EQ(device.Open(&handle, "wood.tga", gtFileDevice::kRead), 1);
    device.CloseHandle(&handle);
    EXPECT_EQ(device.Open(&handle, "wood.png", gtFileDevice::kRead), 0);
}
