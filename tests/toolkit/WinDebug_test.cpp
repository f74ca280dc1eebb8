// The debug sink: banner, line format, per-line open/close, switches; and the error box.
#include "toolkit/WinDebug.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/TestFiles.h"
#include "toolkit/gtFileDevice.h"

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    // The log is a text file: line ends are the platform's own.
    std::string text;
    for (char c : s.str()) {
        if (c != '\r') {
            text += c;
        }
    }
    return text;
}

// Restores the sink's settings after each test.
class WinDebugTest : public ::testing::Test {
protected:
    void SetUp() override {
        const WinDebug::Settings& s = WinDebug::GetSettings();
        m_path = s.path;
        m_programName = s.programName;
        m_firstWritePending = s.firstWritePending;
        m_enabled = s.enabled.load();
    }
    void TearDown() override {
        WinDebug::Settings& s = WinDebug::GetSettings();
        std::snprintf(s.path, sizeof s.path, "%s", m_path.c_str());
        std::snprintf(s.programName, sizeof s.programName, "%s", m_programName.c_str());
        s.firstWritePending = m_firstWritePending;
        s.enabled = m_enabled;
        WinDebug::SetErrorBoxHandler(nullptr);
    }
    std::string m_path;
    std::string m_programName;
    int32_t m_firstWritePending = 0;
    int32_t m_enabled = 0;
};

}  // namespace

TEST_F(WinDebugTest, DefaultPathIsLogTxtInTheCurrentDirectory) {
    const std::string path = WinDebug::GetSettings().path;
    ASSERT_GE(path.size(), 8u);
    EXPECT_EQ(path.substr(path.size() - 7), "log.txt");
}

TEST_F(WinDebugTest, FirstLineWritesTheBannerThenLinesAppend) {
    ScratchFolder dir;
    const std::string path = dir.File("log.txt");
    WinDebug::SetPath(path.c_str());
    WinDebug::SetEnabled(true);
    WinDebug::SetProgramName("VantokMeshImporter");
    WinDebug::Line("first");
    const std::string afterFirst = ReadAll(path);  // complete after every line
    WinDebug::Printf("second %d", 2);
    const std::string text = ReadAll(path);
    const std::string banner = "LOGFILE for VantokMeshImporter (FINAL), at ";
    ASSERT_EQ(text.compare(0, banner.size(), banner), 0) << text;
    // ctime text: 24 characters, its line break, a blank and a second line break.
    const size_t afterBanner = banner.size() + 24;
    EXPECT_EQ(text.substr(afterBanner, 3), "\n \n");
    EXPECT_EQ(text.substr(afterBanner + 3), ". first\n. second 2\n");
    EXPECT_EQ(afterFirst.substr(afterBanner + 3), ". first\n");
}

TEST_F(WinDebugTest, DisabledSinkWritesNothing) {
    ScratchFolder dir;
    const std::string path = dir.File("log.txt");
    WinDebug::SetPath(path.c_str());
    WinDebug::SetEnabled(false);
    WinDebug::Line("nothing");
    EXPECT_FALSE(std::ifstream(path).good());
}

TEST_F(WinDebugTest, UnopenableLogFileIsSkippedSilently) {
    ScratchFolder dir;
    WinDebug::SetPath(dir.File("missing/folder/log.txt").c_str());
    WinDebug::SetEnabled(true);
    WinDebug::Line("lost");
    EXPECT_EQ(WinDebug::GetSettings().firstWritePending, 1);
}

TEST_F(WinDebugTest, ErrorBoxFormatsAndLogsItsText) {
    ScratchFolder dir;
    const std::string path = dir.File("log.txt");
    WinDebug::SetPath(path.c_str());
    WinDebug::SetEnabled(true);
    std::string shown;
    WinDebug::SetErrorBoxHandler([&shown](const char* text) {
        shown = text;
        return 7;
    });
    EXPECT_EQ(WinDebug::ErrorBox(nullptr, "Parse Error file: %s, line %d: %s", "", 3, "bad"), 7);
    EXPECT_EQ(shown, "Parse Error file: , line 3: bad");
    const std::string text = ReadAll(path);
    EXPECT_NE(text.find(". ERROR BOX: Parse Error file: , line 3: bad\n"), std::string::npos);
}

TEST_F(WinDebugTest, MissingArchiveIsReportedToTheSink) {
    ScratchFolder dir;
    const std::string path = dir.File("log.txt");
    WinDebug::SetPath(path.c_str());
    WinDebug::SetEnabled(true);
    const std::string zip = dir.File("missing.zip");
    EXPECT_EQ(gtGetFileDevice()->AddArchive(zip.c_str()), 0);
    EXPECT_NE(ReadAll(path).find(". Failed to add Zip '" + zip + "'\n"), std::string::npos);
}
