// The built program from a shell: exit status, plain piped output, colours on a terminal.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

namespace {

struct Outcome {
    int status;
    std::string out;
};

Outcome Shell(const std::string& command) {
    Outcome o{-1, {}};
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return o;
    }
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        o.out.append(buffer, n);
    }
    const int raw = pclose(pipe);
    o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return o;
}

const std::string kProgram = VANTOK_PROGRAM;

bool HaveScript() {
    return Shell("command -v script >/dev/null 2>&1 && echo yes").out == "yes\n";
}

}  // namespace

TEST(Cli, HelpExitsZeroAndPrintsTheUsage) {
    const Outcome o = Shell(kProgram + " -? </dev/null");
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out.rfind("Usage:\n   VantokMeshImporter [ options ... ]\n", 0), 0u);
}

TEST(Cli, FailuresExitOne) {
    EXPECT_EQ(Shell(kProgram + " </dev/null").status, 1);
    EXPECT_EQ(Shell(kProgram + " -bogus </dev/null").status, 1);
    EXPECT_EQ(Shell(kProgram + " -inFile /no/such/file.xml </dev/null").status, 1);
}

TEST(Cli, PipedOutputCarriesNoEscapeCodes) {
    const Outcome o = Shell(kProgram + " -inFile /no/such/file.xml -bogus 2>&1 </dev/null");
    EXPECT_NE(o.out.find("Error: Unrecognized option: 'bogus'\n"), std::string::npos);
    EXPECT_EQ(o.out.find('\x1b'), std::string::npos);
}

TEST(Cli, TerminalOutputColoursErrorsAndResetsAfterEachLine) {
    if (!HaveScript()) {
        GTEST_SKIP() << "script(1) is not installed";
    }
    const Outcome o = Shell("script -qc '" + kProgram +
                            " -warnings true -inFile /no/such.xml' /dev/null </dev/null");
    // Error lines: bright red, the text and its line break, then the reset.
    const std::string red = "\x1b[91mError: Failed to process files\r\n\x1b[0m";
    EXPECT_NE(o.out.find(red), std::string::npos) << o.out;
    // Info lines are not coloured: the summary follows the reset directly.
    EXPECT_NE(o.out.find("\x1b[0mInfo: Process completed after "), std::string::npos) << o.out;
    EXPECT_EQ(o.out.rfind("Info: Process started.", 0), 0u) << o.out;
}
