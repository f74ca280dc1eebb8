// The program log: prefixes, counting, display switches, the 1023-character cut, plain output
// when not writing to a terminal.
#include "MeshAnimConverter/driver/LogFile.h"

#include <gtest/gtest.h>

#include <string>

#include "CaptureFile.h"
#include "toolkit/WinDebug.h"

namespace {

class LogFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        WinDebug::SetEnabled(false);
        programLog.Reset();
        programLog.SetOutput(out.get());
    }
    void TearDown() override {
        programLog.SetOutput(nullptr);
        programLog.Reset();
    }
    CaptureFile out;
};

}  // namespace

TEST_F(LogFileTest, LevelsArePrefixedAndCounted) {
    programLog.Error("Failed to open file: '%s'", "a.xml");
    programLog.Warning("No animation to output.");
    programLog.Info("Filled Mesh");
    EXPECT_EQ(out.Text(),
              "Error: Failed to open file: 'a.xml'\n"
              "Warning: No animation to output.\n"
              "Info: Filled Mesh\n");
    EXPECT_EQ(programLog.numErrors, 1);
    EXPECT_EQ(programLog.numWarnings, 1);
}

TEST_F(LogFileTest, HiddenWarningsStillCountAndInfoIsNotCounted) {
    programLog.logWarnings = 0;
    programLog.logInfo = 0;
    programLog.Warning("hidden");
    programLog.Info("hidden");
    programLog.Error("shown");
    EXPECT_EQ(out.Text(), "Error: shown\n");
    EXPECT_EQ(programLog.numWarnings, 1);
    EXPECT_EQ(programLog.numErrors, 1);
}

TEST_F(LogFileTest, LinesAreCutTo1023CharactersPrefixIncluded) {
    const std::string text(1500, 'm');
    programLog.Warning("%s", text.c_str());
    const std::string line = out.Text();
    ASSERT_EQ(line.size(), 1024u);
    EXPECT_EQ(line.substr(0, 9), "Warning: ");
    EXPECT_EQ(line.substr(9, 1014), std::string(1014, 'm'));
    EXPECT_EQ(line.back(), '\n');
}

TEST_F(LogFileTest, OutputToAFileCarriesNoEscapeCodes) {
    programLog.Error("red");
    programLog.Warning("yellow");
    EXPECT_EQ(out.Text().find('\x1b'), std::string::npos);
}
