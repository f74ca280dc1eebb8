// The platform layer: files under non-ASCII names, names that cannot be converted, and the
// console and dialog decisions through the seams (the same on every platform, since the seams
// stand in for the system's answers).
#include "toolkit/platform/Platform.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/TestFiles.h"

namespace {

#ifdef _WIN32
constexpr bool kNamesAreBytes = false;  // UTF-8, converted for the wide-character API
#else
constexpr bool kNamesAreBytes = true;  // passed to the system as they are
#endif

// Latin-1 accents, Greek and CJK, as UTF-8.
const char* const kNames[] = {"fig\xC3\xBCr.xml", "\xCE\xB1\xCE\xB2\xCE\xB3.im",
                              "\xE6\x97\xA5\xE6\x9C\xAC.kin", "Lauf_\xC3\x9F.kin"};

std::string ReadFile(const std::string& utf8Path) {
    std::string bytes;
    std::FILE* file = platform::OpenFile(utf8Path.c_str(), "rb");
    if (file == nullptr) {
        return "<missing>";
    }
    char buffer[256];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.append(buffer, n);
    }
    std::fclose(file);
    return bytes;
}

bool WriteFile(const std::string& utf8Path, const std::string& bytes) {
    std::FILE* file = platform::OpenFile(utf8Path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

// Restores the real system answers after each test.
class PlatformSeams : public ::testing::Test {
protected:
    void TearDown() override { platform::SetSystemSeams({}); }
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Files

TEST(PlatformFiles, NonAsciiNamesInANonAsciiFolder) {
    ScratchFolder dir;
    const std::string folder = dir.Utf8("mod\xC3\xA8le_\xE6\x97\xA5\xE6\x9C\xAC");
    std::filesystem::path native;
    ASSERT_TRUE(platform::FilesystemPath(folder.c_str(), native));
    ASSERT_TRUE(std::filesystem::create_directory(native));
    EXPECT_TRUE(platform::PathExists(folder.c_str()));
    for (const char* name : kNames) {
        const std::string path = folder + "/" + name;
        EXPECT_FALSE(platform::PathExists(path.c_str())) << name;
        ASSERT_TRUE(WriteFile(path, name)) << name;
        EXPECT_TRUE(platform::PathExists(path.c_str())) << name;
        EXPECT_EQ(ReadFile(path), name);
        // the wide name the system holds is the one written
        std::filesystem::path p;
        ASSERT_TRUE(platform::FilesystemPath(path.c_str(), p));
        EXPECT_TRUE(std::filesystem::is_regular_file(p)) << name;
        const std::u8string back = p.filename().u8string();
        EXPECT_EQ(std::string(back.begin(), back.end()), name);
    }
    // renaming replaces an existing target
    const std::string from = folder + "/" + kNames[0];
    const std::string to = folder + "/" + kNames[1];
    EXPECT_TRUE(platform::RenameFile(from.c_str(), to.c_str()));
    EXPECT_FALSE(platform::PathExists(from.c_str()));
    EXPECT_EQ(ReadFile(to), kNames[0]);
    EXPECT_FALSE(platform::RenameFile(from.c_str(), to.c_str()));  // the source is gone
    EXPECT_TRUE(platform::RemoveFile(to.c_str()));
    EXPECT_FALSE(platform::RemoveFile(to.c_str()));
    EXPECT_FALSE(platform::PathExists(to.c_str()));
}

TEST(PlatformFiles, ReadOnlyFilesAreSeenAsSuch) {
    ScratchFolder dir;
    const std::string path = dir.Utf8("\xCE\xB1-locked.txt");
    EXPECT_FALSE(platform::IsReadOnly(path.c_str()));  // missing
    ASSERT_TRUE(WriteFile(path, "x"));
    EXPECT_FALSE(platform::IsReadOnly(path.c_str()));
    std::filesystem::path p;
    ASSERT_TRUE(platform::FilesystemPath(path.c_str(), p));
    std::filesystem::permissions(p, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    EXPECT_TRUE(platform::IsReadOnly(path.c_str()));
    std::filesystem::permissions(p, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
}

// A name that is not UTF-8 (an ANSI code page byte) cannot be converted on Windows: every call
// fails as for a missing file, none throws. On POSIX the bytes are a valid name.
TEST(PlatformFiles, NamesThatCannotBeConverted) {
    ScratchFolder dir;
    const std::string bad = dir.Utf8("fig\xFCr.xml");
    const std::string good = dir.Utf8("good.xml");
    ASSERT_TRUE(WriteFile(good, "g"));

    std::FILE* file = platform::OpenFile(bad.c_str(), "wb");
    EXPECT_EQ(file != nullptr, kNamesAreBytes);
    if (file != nullptr) {
        std::fclose(file);
    }
    EXPECT_EQ(platform::PathExists(bad.c_str()), kNamesAreBytes);
    std::filesystem::path p;
    EXPECT_EQ(platform::FilesystemPath(bad.c_str(), p), kNamesAreBytes);
    EXPECT_EQ(platform::RenameFile(good.c_str(), bad.c_str()), kNamesAreBytes);
    EXPECT_EQ(platform::RemoveFile(bad.c_str()), kNamesAreBytes);
    EXPECT_FALSE(platform::IsReadOnly(bad.c_str()));
}

// ---------------------------------------------------------------------------------------------
// Console lines

TEST_F(PlatformSeams, ConsoleLinesWithNonAsciiTextGoThroughTheWideCall) {
    ScratchFolder dir;
    const std::string path = dir.Utf8("console.txt");
    std::FILE* stream = platform::OpenFile(path.c_str(), "wb");
    ASSERT_NE(stream, nullptr);
    std::vector<std::wstring> wideLines;
    std::vector<std::string> bytesBefore;  // what the stream held when each wide line came
    platform::SystemSeams seams;
    seams.isConsole = [&](std::FILE* s) { return s == stream; };
    seams.writeConsole = [&](std::FILE* s, const std::wstring& text) {
        EXPECT_EQ(s, stream);
        wideLines.push_back(text);
        bytesBefore.push_back(ReadFile(path));
    };
    platform::SetSystemSeams(seams);

    platform::WriteLine(stream, "Info: Reading input file: 'plain.xml'");
    platform::WriteLine(stream, "Info: Reading input file: 'fig\xC3\xBCr.xml'");
    platform::WriteLine(stream, "Info: done");
    platform::WriteLine(stream, "Error: \xE6\x97\xA5");
    platform::WriteLine(stream, "Error: not UTF-8 \xFC");  // cannot be converted: bytes
    std::fclose(stream);

    ASSERT_EQ(wideLines.size(), 2u);
    EXPECT_EQ(wideLines[0], L"Info: Reading input file: 'fig\u00fcr.xml'\n");
    EXPECT_EQ(wideLines[1], L"Error: \u65e5\n");
    // the stream was flushed first, so the lines keep their order
    EXPECT_EQ(bytesBefore[0], "Info: Reading input file: 'plain.xml'\n");
    EXPECT_EQ(bytesBefore[1], "Info: Reading input file: 'plain.xml'\nInfo: done\n");
    EXPECT_EQ(ReadFile(path),
              "Info: Reading input file: 'plain.xml'\nInfo: done\nError: not UTF-8 \xFC\n");
}

TEST_F(PlatformSeams, RedirectedLinesAreUtf8Bytes) {
    ScratchFolder dir;
    const std::string path = dir.Utf8("redirected.txt");
    std::FILE* stream = platform::OpenFile(path.c_str(), "wb");
    ASSERT_NE(stream, nullptr);
    int wideCalls = 0;
    platform::SystemSeams seams;
    seams.isConsole = [](std::FILE*) { return false; };
    seams.writeConsole = [&](std::FILE*, const std::wstring&) { ++wideCalls; };
    platform::SetSystemSeams(seams);
    platform::WriteLine(stream, "Info: 'fig\xC3\xBCr.xml'");
    platform::WriteLine(stream, "");
    std::fclose(stream);
    EXPECT_EQ(wideCalls, 0);
    EXPECT_EQ(ReadFile(path), "Info: 'fig\xC3\xBCr.xml'\n\n");
}

// ---------------------------------------------------------------------------------------------
// Dialogs

TEST_F(PlatformSeams, DialogsOnlyWhenSomeoneCanAnswer) {
    struct Case {
        bool desktop;
        bool stderrConsole;
        const char* variable;  // VANTOK_NO_DIALOGS, null when unset
        bool wanted;
    };
    const Case cases[] = {
        {true, true, nullptr, true},   {true, true, "1", false},
        {true, true, "0", true},       {true, true, "", true},
        {true, true, "yes", true},     {true, true, "11", true},
        {true, true, " 1", true},      {true, false, nullptr, false},
        {false, true, nullptr, false}, {false, false, nullptr, false},
        {false, true, "0", false},     {true, false, "0", false},
    };
    for (const Case& c : cases) {
        std::vector<std::string> asked;
        platform::SystemSeams seams;
        seams.interactiveDesktop = [&] { return c.desktop; };
        seams.isConsole = [&](std::FILE* s) { return s == stderr && c.stderrConsole; };
        seams.environment = [&](const char* name) {
            asked.push_back(name);
            return c.variable;
        };
        int boxes = 0;
        seams.messageBox = [&](const char* text, const char* caption) {
            ++boxes;
            EXPECT_STREQ(text, "Parse Error file: , line 1: expected float");
            EXPECT_STREQ(caption, "Error");
            return 42;
        };
        platform::SetSystemSeams(seams);
        const std::string what = std::string("desktop ") + (c.desktop ? "yes" : "no") +
                                 ", console " + (c.stderrConsole ? "yes" : "no") + ", variable " +
                                 (c.variable ? c.variable : "unset");
        EXPECT_EQ(platform::DialogsWanted(), c.wanted) << what;
        if (!asked.empty()) {
            EXPECT_EQ(asked.back(), "VANTOK_NO_DIALOGS");
        }
        // the box is shown (and its result returned) only when wanted; otherwise the text goes
        // to standard error and the answer is 1
        const int result =
            platform::ShowErrorBox("Parse Error file: , line 1: expected float", "Error");
        EXPECT_EQ(result, c.wanted ? 42 : 1) << what;
        EXPECT_EQ(boxes, c.wanted ? 1 : 0) << what;
    }
}

#ifndef _WIN32
TEST(PlatformDialogs, NeverWantedOnPosix) {
    EXPECT_FALSE(platform::DialogsWanted());
}
#endif

// Mapped pages read as zero, take writes at both ends, and go back whole; several at once are
// distinct. Nothing to unmap is accepted.
TEST(PlatformMemory, MappedPagesAreZeroWritableAndDistinct) {
    constexpr size_t kBytes = size_t{4} << 20;
    unsigned char* a = static_cast<unsigned char*>(platform::MapPages(kBytes));
    unsigned char* b = static_cast<unsigned char*>(platform::MapPages(kBytes));
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_TRUE(a + kBytes <= b || b + kBytes <= a);
    for (size_t i = 0; i < kBytes; i += 4096) EXPECT_EQ(a[i], 0) << i;
    EXPECT_EQ(a[kBytes - 1], 0);
    a[0] = 1;
    a[kBytes - 1] = 2;
    b[0] = 3;
    EXPECT_EQ(a[0] + a[kBytes - 1] + b[0], 6);
    platform::UnmapPages(a, kBytes);
    platform::UnmapPages(b, kBytes);
    platform::UnmapPages(nullptr, kBytes);
}
