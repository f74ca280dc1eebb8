// Atomic output: a complete write replaces the target, a failed one leaves it as it was.
#include "MeshAnimConverter/chunks/AtomicOutputFile.h"

#include "ChunkTestFiles.h"
#include "MeshAnimConverter/chunks/ChunkWriter.h"
#include "MeshAnimConverter/chunks/binofstream.h"

#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>
#endif

namespace {

// Writes a form with one chunk of `payload` bytes through an AtomicOutputFile; returns whether
// the write and the commit succeeded, as a writer does.
bool WriteForm(const std::string& target, std::size_t payload) {
    AtomicOutputFile file(target);
    binofstream out(file.TempPath().c_str());
    if (!out.is_open())
        return false;
    const ChunkMark form = BeginChunk(out, "VIRF");
    out.WriteId("IDXM");
    const ChunkMark data = BeginChunk(out, "DATA");
    const std::vector<char> bytes(payload, 'x');
    out.WriteBytes(bytes.data(), bytes.size());
    EndChunk(out, data);
    EndChunk(out, form);
    if (!out.Close())
        return false;
    return file.Commit();
}

TEST(AtomicOutputFile, CommitReplacesExistingTarget) {
    ScratchFolder folder;
    const std::string target = folder.File("mesh.im");
    WriteAll(target, B("old"));
    ASSERT_TRUE(WriteForm(target, 3));
    EXPECT_EQ(ReadAll(target), B("VIRF\x0F\0\0\0IDXMDATA\x03\0\0\0xxx"));
    // Only the target is left in the folder.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Dir()),
                            std::filesystem::directory_iterator()),
              1);
}

TEST(AtomicOutputFile, TempFileLiesBesideTargetAndIsRemovedWithoutCommit) {
    ScratchFolder folder;
    const std::string target = folder.File("anim.kin");
    std::string temp;
    {
        AtomicOutputFile file(target);
        temp = file.TempPath();
        EXPECT_EQ(std::filesystem::path(temp).parent_path(), folder.Dir());
        EXPECT_NE(temp, target);
        WriteAll(temp, B("partial"));
    }
    EXPECT_FALSE(std::filesystem::exists(temp));
    EXPECT_FALSE(std::filesystem::exists(target));
}

TEST(AtomicOutputFile, FailedCommitKeepsOldTarget) {
    ScratchFolder folder;
    // A target that is a non-empty folder cannot be replaced by a file.
    const std::string target = folder.File("busy");
    std::filesystem::create_directories(folder.Dir() / "busy" / "inside");
    AtomicOutputFile file(target);
    WriteAll(file.TempPath(), B("new"));
    EXPECT_FALSE(file.Commit());
    EXPECT_FALSE(std::filesystem::exists(file.TempPath()));
    EXPECT_TRUE(std::filesystem::is_directory(folder.Dir() / "busy" / "inside"));
}

#ifndef _WIN32

TEST(Binofstream, WriteErrorOnFullDeviceIsReported) {
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    binofstream out("/dev/full");
    ASSERT_TRUE(out.is_open());
    const ChunkMark form = BeginChunk(out, "VIRF");
    out.WriteId("IDXM");
    EndChunk(out, form);
    EXPECT_FALSE(out.Close());
    EXPECT_FALSE(out.Good());
}

// The process may write at most 4096 bytes per file: a larger write fails and the old target
// survives untouched, while a small write still succeeds.
TEST(AtomicOutputFile, WriteErrorKeepsOldTarget) {
    ScratchFolder folder;
    const std::string target = folder.File("mesh.im");
    WriteAll(target, B("previous good file"));

    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = saved;
    limit.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);

    const bool large = WriteForm(target, 100000);
    const auto afterLarge = ReadAll(target);
    const bool small = WriteForm(folder.File("small.im"), 10);

    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(large);
    EXPECT_EQ(afterLarge, B("previous good file"));
    EXPECT_TRUE(small);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Dir()),
                            std::filesystem::directory_iterator()),
              2);
}

#endif

}  // namespace
