// The command line: exit status 0 for a dump, 1 for a missing, damaged or invalid file, 2 for
// a usage error; help and version; diagnostics on the error stream naming the file.
#include <gtest/gtest.h>

#include "DumpTestFiles.h"

namespace {

struct DumpMainTest : ::testing::Test {
    ScratchFolder folder;
};

TEST_F(DumpMainTest, UsageErrorsExitWithTwo) {
    const std::vector<std::vector<std::string>> cases = {
        {},                          // no file
        {"a.im", "--unknown"},       // unknown option
        {"a.im", "--kin", "b.kin"},  // --kin without --gltf
        {"a.im", "--gltf"},          // --gltf without its file
        {"a.im", "b.im"},            // two files
    };
    for (const auto& args : cases) {
        const DumpRun run = RunDump(args);
        EXPECT_EQ(run.status, 2) << ::testing::PrintToString(args);
        EXPECT_EQ(run.err.rfind("error: ", 0), 0u) << run.err;
        EXPECT_EQ(run.out, "");
    }
}

TEST_F(DumpMainTest, HelpAndVersionExitWithZero) {
    DumpRun run = RunDump({"--help"});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("--validate"), std::string::npos);
    run = RunDump({"--version"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "vantok-dump 1\n");
}

TEST_F(DumpMainTest, MissingAndDamagedFilesExitWithOne) {
    const std::string missing = folder.File("missing.im");
    DumpRun run = RunDump({missing});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "error: " + missing + ": No such file or directory\n");

    // a directory, in every mode and as an animation of the export
    for (const std::vector<std::string>& args : {std::vector<std::string>{folder.Path()},
                                                 {folder.Path(), "--validate"},
                                                 {folder.Path(), "--json"},
                                                 {folder.Path(), "--gltf", folder.File("x.glb")}}) {
        run = RunDump(args);
        EXPECT_EQ(run.status, 1) << args.size();
        EXPECT_NE((run.err + run.out).find("error: " + folder.Path() + ": is a directory"),
                  std::string::npos)
            << run.err << run.out;
    }

    // "VIRF" with a size one byte past the end of the file
    const std::string damaged = folder.File("damaged.kin");
    WriteWholeFile(damaged, std::string("VIRF\x05\0\0\0ANIM", 12));
    for (const char* option : {"--json", "--validate", "--all"}) {
        run = RunDump({damaged, option});
        EXPECT_EQ(run.status, 1) << option;
        EXPECT_NE((run.err + run.out)
                      .find("error: " + damaged +
                            ": at offset 0: Form size 5 does not match the file length 12"),
                  std::string::npos)
            << option << run.err << run.out;
    }
}

TEST_F(DumpMainTest, ValidJsonDocumentCarriesIssues) {
    ConvertScene(GeneratedScene(), folder, "sample");
    const DumpRun run = RunDump({folder.File("sample.im"), "--json", "--validate"});
    EXPECT_EQ(run.status, 0);
    const auto doc = nlohmann::json::parse(run.out);
    EXPECT_TRUE(doc["issues"].empty());
    // without --all each array shows its first rows only
    const DumpRun brief = RunDump({folder.File("swing.kin"), "--json"});
    EXPECT_EQ(nlohmann::json::parse(brief.out)["animation"]["frames"].size(), 3u);
}

}  // namespace
