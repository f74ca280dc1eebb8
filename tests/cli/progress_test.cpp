// The progress line: drawn on standard error under a terminal, cleared before every log line
// and at the end of the run; never in piped or redirected output, where standard output keeps
// exactly its bytes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "ShellRun.h"
#include "tests/TestFiles.h"

namespace {

namespace fs = std::filesystem;

const std::string kProgram = VANTOK_PROGRAM;
const std::string kExample = std::string(VANTOK_SOURCE_DIR) + "/examples/flag_skinned_global.xml";

// What the terminal shows as lines: the progress line's clears ("\r", spaces, "\r") and drawings
// ("\r", text ending in "<seconds> s", padding) removed, and the terminal's "\r\n" line ends
// made "\n".
std::string WithoutProgress(const std::string& text) {
    std::string out = std::regex_replace(text, std::regex("\r[^\r\n]*[0-9]\\.[0-9] s *"), "");
    out = std::regex_replace(out, std::regex("\r +\r"), "");
    out = std::regex_replace(out, std::regex("\r\n"), "\n");
    return out;
}

TEST(Progress, DrawnUnderATerminalAndClearedBeforeEveryLine) {
    if (!HaveScriptCommand()) {
        GTEST_SKIP() << "script(1) is not installed";
    }
    ScratchFolder s;
    const std::string command = kProgram + " -inFile " + kExample + " -outFile " + s.File("flag");
    const ShellOutcome tty = ShellRun("script -qec '" + command + "' /dev/null </dev/null");
    EXPECT_EQ(tty.status, 0);
    // the line shows the stage and a percentage
    EXPECT_NE(tty.out.find("\rReading input file"), std::string::npos) << tty.out;
    EXPECT_NE(tty.out.find("%  "), std::string::npos);
    // every log line starts at the beginning of a line: the progress line was cleared (its
    // clear ends with a carriage return) or never drawn before it
    for (size_t at = tty.out.find("Info: "); at != std::string::npos;
         at = tty.out.find("Info: ", at + 1)) {
        if (at == 0) {
            continue;  // the first line, before anything was drawn
        }
        const char before = tty.out[at - 1];
        EXPECT_TRUE(before == '\n' || before == '\r') << "at " << at;
        if (before == '\r' && at >= 2) {
            EXPECT_EQ(tty.out[at - 2], ' ') << "a log line drawn over the progress line";
        }
    }
    // the run ends with its summary line, and no progress line after it
    const size_t summary = tty.out.rfind("Process completed after");
    ASSERT_NE(summary, std::string::npos);
    EXPECT_EQ(tty.out.find('%', summary), std::string::npos);

    // without the progress segments the terminal shows what a piped run prints
    const ShellOutcome piped = ShellRun(command + " 2>" + s.File("err.txt") + " </dev/null");
    auto withoutTime = [](std::string text) {
        const size_t at = text.find("Process completed after ");
        return at == std::string::npos ? text : text.substr(0, at);
    };
    std::string shown = WithoutProgress(tty.out);
    std::string plain = piped.out;
    for (std::string* text : {&shown, &plain}) {
        for (size_t at; (at = text->find("\x1b[")) != std::string::npos;) {
            text->erase(at, text->find('m', at) - at + 1);  // colour codes of the terminal run
        }
    }
    EXPECT_EQ(withoutTime(shown), withoutTime(plain));
}

TEST(Progress, NeverInPipedOrRedirectedOutput) {
    ScratchFolder s;
    const std::string base = kProgram + " -inFile " + kExample + " -outFile " + s.File("flag");
    const ShellOutcome piped = ShellRun(base + " 2>" + s.File("err.txt") + " </dev/null");
    EXPECT_EQ(piped.status, 0);
    EXPECT_EQ(ReadWholeFile(s.File("err.txt")), "");
    EXPECT_EQ(piped.out.find('\r'), std::string::npos);
    // standard error merged into the pipe: still nothing extra
    const ShellOutcome merged = ShellRun(base + " 2>&1 </dev/null");
    EXPECT_EQ(merged.out.find('\r'), std::string::npos);
    EXPECT_EQ(merged.out.find("Reading input file  "), std::string::npos);
}

}  // namespace
