// The built vantok-import from a shell: --help and --version, usage errors (exit 2), and the
// command line's split at "--" between its own options and the converter's.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/MeshAnimConverter/mesh/MeshTestFiles.h"
#include "tests/cli/ShellRun.h"

namespace {

// Standard output and standard error together.
ShellOutcome Shell(const std::string& command) {
    return ShellRun(command + " 2>&1 </dev/null");
}

const std::string kProgram = VANTOK_IMPORT_PROGRAM;

std::string Triangle(const ScratchFolder& folder) {
    WriteWholeFile(folder.File("tri.obj"), "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    return folder.File("tri.obj");
}

}  // namespace

TEST(ImportCli, HelpAndVersionExitZero) {
    const ShellOutcome help = Shell(kProgram + " --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage:"), std::string::npos);
    EXPECT_NE(help.out.find("--max-weights"), std::string::npos);
    const ShellOutcome version = Shell(kProgram + " --version");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("vantok-import ", 0), 0u);
}

TEST(ImportCli, UsageErrorsExitTwo) {
    ScratchFolder folder;
    const std::string model = Triangle(folder);
    const char* bad[] = {"",
                         " --frames sideways",
                         " --orientation euler",
                         " --tbump maybe",
                         " --max-weights 5",
                         " --max-weights 0",
                         " --fps 0",
                         " --bogus",
                         " -- -outputKIN false"};  // converter options without --convert
    for (const char* options : bad) {
        const std::string command =
            kProgram + (std::string(options).empty() ? "" : " " + model) + options;
        EXPECT_EQ(Shell(command).status, 2) << options;
    }
    EXPECT_FALSE(std::filesystem::exists(folder.File("tri.xml")));
}

TEST(ImportCli, ConvertPassesTheOptionsAfterTheSeparator) {
    ScratchFolder folder;
    const std::string model = Triangle(folder);
    const ShellOutcome run = Shell(kProgram + " " + model + " --convert -- -outFile " +
                                   folder.File("renamed") + " -info false");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("wrote '" + folder.File("tri.xml") + "': 1 triangles"),
              std::string::npos)
        << run.out;
    EXPECT_EQ(run.out.find("Info: "), std::string::npos) << run.out;
    EXPECT_TRUE(std::filesystem::exists(folder.File("renamed.im")));
    EXPECT_FALSE(std::filesystem::exists(folder.File("tri.im")));

    // the converter's failure is the tool's
    const ShellOutcome failed = Shell(kProgram + " " + model + " --convert -- -bogus");
    EXPECT_EQ(failed.status, 1) << failed.out;
}
