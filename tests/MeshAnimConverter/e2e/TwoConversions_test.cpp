// Two conversions at once in one process, from two threads, on different inputs (one with lexer
// errors, each on two optimiser threads): each gives the lines, the files and the bytes it gives
// alone. Run under ThreadSanitizer too (label parallel).
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "ConversionScenes.h"
#include "MeshAnimConverter/driver/Conversion.h"
#include "tests/TestFiles.h"

namespace {

namespace fs = std::filesystem;

struct Outcome {
    ConversionResult result;
    std::map<std::string, std::string> files;  // every file of the output folder: name, bytes
};

struct Job {
    std::string in;
    const ScratchFolder* folder;

    ConversionOptions Options() const {
        ConversionOptions options;
        options.inFile = in;
        options.outFile = folder->File("scene");
        options.threads = 2;
        options.referenceNameSeed = 5u;
        return options;
    }
};

void Empty(const ScratchFolder& folder) {
    for (const auto& entry : fs::directory_iterator(folder.Path())) {
        fs::remove(entry.path());
    }
}

std::map<std::string, std::string> FolderBytes(const ScratchFolder& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::directory_iterator(folder.Path())) {
        files[entry.path().filename().string()] = ReadWholeFile(entry.path().string());
    }
    return files;
}

}  // namespace

TEST(TwoConversions, AtOnceEachGivesWhatItGivesAlone) {
    ScratchFolder inputs;
    const std::string a = inputs.File("a.xml");
    const std::string b = inputs.File("b.xml");
    WriteWholeFile(a, WithLexerError(GridScene(0).Text()));
    WriteWholeFile(b, GridScene(1).Text());
    ScratchFolder outA;
    ScratchFolder outB;
    const Job jobs[2] = {{a, &outA}, {b, &outB}};

    Outcome alone[2];
    for (int i = 0; i < 2; ++i) {
        alone[i].result = RunConversion(jobs[i].Options());
        alone[i].files = FolderBytes(*jobs[i].folder);
        ASSERT_TRUE(alone[i].result.success);
        Empty(*jobs[i].folder);
    }
    // the two differ, and the first carries its box texts
    EXPECT_NE(alone[0].result.lines, alone[1].result.lines);
    EXPECT_NE(alone[0].files.at("scene.im"), alone[1].files.at("scene.im"));
    bool box = false;
    for (const std::string& line : alone[0].result.lines) {
        box = box || line.rfind("Parse Error file: ", 0) == 0;
    }
    EXPECT_TRUE(box);

    for (int round = 0; round < 2; ++round) {
        Outcome together[2];
        std::thread first([&] { together[0].result = RunConversion(jobs[0].Options()); });
        std::thread second([&] { together[1].result = RunConversion(jobs[1].Options()); });
        first.join();
        second.join();
        for (int i = 0; i < 2; ++i) {
            together[i].files = FolderBytes(*jobs[i].folder);
            Empty(*jobs[i].folder);
            EXPECT_TRUE(together[i].result.success);
            EXPECT_EQ(together[i].result.lines, alone[i].result.lines) << "conversion " << i;
            EXPECT_EQ(together[i].result.filesWritten, alone[i].result.filesWritten);
            EXPECT_EQ(together[i].result.warningCount, alone[i].result.warningCount);
            EXPECT_TRUE(together[i].files == alone[i].files) << "conversion " << i;
        }
    }
}
