// ViewMain: the command line's failures, each one line and its exit status: usage errors,
// a busy port, a missing input, and pictures without Chromium.
#include "tools/view/ViewMain.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "ViewTestFiles.h"

namespace {

DumpRun RunView(std::vector<std::string> args) {
    args.insert(args.begin(), "vantok-view");
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    DumpRun run;
    run.status = ViewMain(static_cast<int>(argv.size()), argv.data(), out, err);
    run.out = ReadBack(out);
    run.err = ReadBack(err);
    return run;
}

}  // namespace

TEST(ViewMain, RefusesBadCommandLines) {
    const ViewFixture fixture;
    const std::string flag = (fixture.assets / "flag.im").string();
    const std::vector<std::vector<std::string>> cases = {
        {"--port", "70000"},
        {"--snapshot", "a.png"},                           // no input
        {"--snapshot", "a.png", flag, flag},               // two inputs
        {"--snapshot", "a.png", flag, "--size", "10x10"},  // too small
        {"--snapshot", "a.png", flag, "--size", "800"},
        {"--snapshot", "a.png", "--contact-sheet", "b.png", flag},
        {"--kin", "a.kin", flag},  // --kin belongs to --snapshot
        {"--snapshot", "a.png", flag, "--look", "shiny"},
    };
    for (const auto& args : cases) {
        const DumpRun run = RunView(args);
        EXPECT_EQ(run.status, 2) << args.front() << " " << args.size();
        EXPECT_EQ(run.err.rfind("error: ", 0), 0u) << run.err;
    }
}

TEST(ViewMain, ABusyPortIsOneErrorLine) {
    const ViewFixture fixture;
    RunningServer running(fixture);
    const DumpRun run = RunView({fixture.assets.string(), "--port", std::to_string(running.port),
                                 "--cache", fixture.scratch.File("cache")});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "error: cannot listen on 127.0.0.1:" + std::to_string(running.port) +
                           " (the port is in use or the address is not local)\n");
}

TEST(ViewMain, AMissingInputOrBrowserIsOneErrorLine) {
    const ViewFixture fixture;
    const DumpRun missing = RunView({fixture.scratch.File("nothing")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err,
              "error: '" + fixture.scratch.File("nothing") + "': no such file or folder\n");

    setenv("VANTOK_CHROMIUM", fixture.scratch.File("no-chromium").c_str(), 1);
    const DumpRun run = RunView(
        {"--snapshot", fixture.scratch.File("a.png"), (fixture.assets / "flag.im").string()});
    unsetenv("VANTOK_CHROMIUM");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err,
              "error: Chromium is needed for pictures: install the Debian package 'chromium'\n");
    EXPECT_FALSE(std::filesystem::exists(fixture.scratch.File("a.png")));
}
