// The built program from a shell: exit status, plain piped output, colours on a terminal.
#include <gtest/gtest.h>

#include <string>

#include "ShellRun.h"

namespace {

const std::string kProgram = VANTOK_PROGRAM;

}  // namespace

TEST(Cli, HelpExitsZeroAndPrintsTheUsage) {
    const ShellOutcome o = ShellRun(kProgram + " -? </dev/null");
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out.rfind("Usage:\n   VantokMeshImporter [ options ... ]\n", 0), 0u);
}

TEST(Cli, FailuresExitOne) {
    EXPECT_EQ(ShellRun(kProgram + " </dev/null").status, 1);
    EXPECT_EQ(ShellRun(kProgram + " -bogus </dev/null").status, 1);
    EXPECT_EQ(ShellRun(kProgram + " -inFile /no/such/file.xml </dev/null").status, 1);
}

TEST(Cli, PipedOutputCarriesNoEscapeCodes) {
    const ShellOutcome o = ShellRun(kProgram + " -inFile /no/such/file.xml -bogus 2>&1 </dev/null");
    EXPECT_NE(o.out.find("Error: Unrecognized option: 'bogus'\n"), std::string::npos);
    EXPECT_EQ(o.out.find('\x1b'), std::string::npos);
}

TEST(Cli, TerminalOutputColoursErrorsAndResetsAfterEachLine) {
    if (!HaveScriptCommand()) {
        GTEST_SKIP() << "script(1) is not installed";
    }
    const ShellOutcome o = ShellRun("script -qc '" + kProgram +
                                    " -warnings true -inFile /no/such.xml' /dev/null </dev/null");
    // Error lines: bright red, the text and its line break, then the reset.
    const std::string red = "\x1b[91mError: Failed to process files\r\n\x1b[0m";
    EXPECT_NE(o.out.find(red), std::string::npos) << o.out;
    // Info lines are not coloured: the summary follows the reset directly.
    EXPECT_NE(o.out.find("\x1b[0mInfo: Process completed after "), std::string::npos) << o.out;
    EXPECT_EQ(o.out.rfind("Info: Process started.", 0), 0u) << o.out;
}
