// The typed entry (RunConversion): its lines are the console program's lines, the lexer's box
// texts and the strip generator's diagnostics come in their turn, failures and display switches
// behave as on the console, and the command-line options map onto ConversionOptions.
#include "MeshAnimConverter/driver/Conversion.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ConversionScenes.h"
#include "OutputFiles.h"
#include "tests/TestFiles.h"
#include "toolkit/WinDebug.h"

namespace {

// The console program's standard output as lines, the closing summary dropped.
std::vector<std::string> ConsoleLines(const ProgramRun& run) {
    std::vector<std::string> lines = SplitLines(run.console);
    EXPECT_FALSE(lines.empty());
    if (!lines.empty()) {
        EXPECT_EQ(lines.back().rfind("Info: Process completed after ", 0), 0u) << lines.back();
        lines.pop_back();
    }
    return lines;
}

ConversionOptions Options(const std::string& in, const std::string& out) {
    ConversionOptions options;
    options.inFile = in;
    options.outFile = out;
    options.referenceNameSeed = 11u;
    options.threads = 2;
    return options;
}

size_t IndexOf(const std::vector<std::string>& lines, const std::string& line) {
    for (size_t i = 0; i < lines.size(); ++i) {
        if (lines[i] == line) {
            return i;
        }
    }
    return lines.size();
}

}  // namespace

TEST(Conversion, LinesAndBytesAreTheConsoleProgramsOwn) {
    ScratchFolder folder;
    const std::string in = folder.File("grid.xml");
    WriteWholeFile(in, GridScene(0).Text());
    const std::string out = folder.File("grid");

    const ProgramRun console = RunConverter({"-inFile", in}, 11u);
    ASSERT_EQ(console.status, 0) << console.console;
    const std::string im = ReadWholeFile(out + ".im");
    const std::string kin = ReadWholeFile(folder.File("walk0.kin"));

    std::vector<std::string> heard;
    ConversionOptions options = Options(in, "");  // the output derived from the input
    options.onLine = [&heard](const std::string& line) { heard.push_back(line); };
    const ConversionResult result = RunConversion(options);
    EXPECT_TRUE(result.success);
    EXPECT_EQ(result.errorCount, 0);
    EXPECT_EQ(result.warningCount, 0);
    EXPECT_EQ(result.lines, ConsoleLines(console));
    EXPECT_EQ(heard, result.lines);
    EXPECT_LT(IndexOf(result.lines, "Info: Filled Mesh"), result.lines.size());
    bool diagnostics = false;
    for (const std::string& line : result.lines) {
        diagnostics = diagnostics || line.rfind("BuildStripifyInfo: > 2 triangles", 0) == 0;
    }
    EXPECT_TRUE(diagnostics);
    EXPECT_EQ(ReadWholeFile(out + ".im"), im);
    EXPECT_EQ(ReadWholeFile(folder.File("walk0.kin")), kin);

    // descriptors in chunk order (a bump map's before its diffuse map's), the .im, the .kin
    const std::vector<std::string> files = {folder.File("v0_0-mask0.texture.txt"),
                                            folder.File("bump0.texture.txt"),
                                            folder.File("v0_1.texture.txt"),
                                            folder.File("v0_2.texture.txt"),
                                            out + ".im",
                                            folder.File("walk0.kin")};
    EXPECT_EQ(result.filesWritten, files);
}

TEST(Conversion, LexerBoxTextsAreLinesInTheirTurnAndShowNoBox) {
    ScratchFolder folder;
    const std::string in = folder.File("bad.xml");
    WriteWholeFile(in, WithLexerError(GridScene(0).Text()));
    int boxes = 0;
    WinDebug::SetErrorBoxHandler([&boxes](const char*) { return ++boxes; });
    const ConversionResult result = RunConversion(Options(in, folder.File("bad")));
    WinDebug::SetErrorBoxHandler(nullptr);
    EXPECT_EQ(boxes, 0);
    EXPECT_TRUE(result.success);
    EXPECT_EQ(result.errorCount, 0);  // the lexer never counts
    // "1.2.3": the number fails, so does the real it was to be; both while the materials are read
    const size_t mesh = IndexOf(result.lines, "Info: Read Mesh");
    ASSERT_LT(mesh + 3, result.lines.size());
    EXPECT_EQ(result.lines[mesh + 1], "Parse Error file: , line 1: more than one dot in number");
    EXPECT_EQ(result.lines[mesh + 2], "Parse Error file: , line 1: couldn't read expected float");
    EXPECT_EQ(result.lines[mesh + 3], "Info: Read Materials");
}

TEST(Conversion, AFailedRunEndsWithTheFailureLine) {
    ScratchFolder folder;
    const std::string in = folder.File("missing.xml");
    const ConversionResult result = RunConversion(Options(in, ""));
    EXPECT_FALSE(result.success);
    EXPECT_EQ(result.errorCount, 2);
    const std::vector<std::string> lines = {
        "Info: Process started. This may take some time. Please wait...",
        "Error: Failed to open file: '" + in + "'", "Error: Failed to process files"};
    EXPECT_EQ(result.lines, lines);
    EXPECT_TRUE(result.filesWritten.empty());
}

TEST(Conversion, DisplaySwitchesHideLinesButWarningsStillCount) {
    ScratchFolder folder;
    InterchangeBuilder scene = GridScene(0);
    scene.animations.clear();  // "No animation to output."
    const std::string in = folder.File("still.xml");
    WriteWholeFile(in, scene.Text());
    ConversionOptions options;
    std::vector<std::string> errors;
    ASSERT_TRUE(ConversionOptionsFromArguments(
        {"-inFile", in, "-info", "false", "-warnings", "FALSE"}, options, errors));
    const ConversionResult result = RunConversion(options);
    EXPECT_TRUE(result.success);
    EXPECT_EQ(result.warningCount, 1);
    ASSERT_FALSE(result.lines.empty());
    for (const std::string& line : result.lines) {  // only what is not a log line is left
        EXPECT_EQ(line.rfind("BuildStripifyInfo", 0), 0u) << line;
    }
}

TEST(Conversion, OptionsFromTheCommandLine) {
    const std::vector<std::string> usage = {"Usage:", "   VantokMeshImporter [ options ... ]"};
    const struct {
        std::vector<std::string> args;
        bool ok;
        std::string firstLine;  // empty: no error line, the usage screen first (help)
    } cases[] = {
        {{"-inFile", "c:\\a\\model.final.xml"}, true, ""},
        {{}, false, "Error: Missing parameters."},
        {{"-inFile", "a.xml", "-bogus"}, false, "Error: Unrecognized option: 'bogus'"},
        {{"-inFile", "a.xml", "b.xml"}, false, "Error: Option missing valid prefix: 'b.xml'"},
        {{"-inFile", "a", "-outputIM", "false", "-outputKIN", "no"},
         false,
         "Error: No files would be output."},
        {{"-?"}, false, ""},
    };
    for (const auto& c : cases) {
        ConversionOptions options;
        std::vector<std::string> lines;
        EXPECT_EQ(ConversionOptionsFromArguments(c.args, options, lines), c.ok) << c.firstLine;
        if (c.ok) {
            EXPECT_TRUE(lines.empty());
            continue;
        }
        const size_t head = c.firstLine.empty() ? 0 : 1;
        ASSERT_GE(lines.size(), head + 2);
        if (head == 1) {
            EXPECT_EQ(lines[0], c.firstLine);
        }
        EXPECT_EQ(lines[head], usage[0]);
        EXPECT_EQ(lines[head + 1], usage[1]);
    }
    ConversionOptions options;
    std::vector<std::string> lines;
    ASSERT_TRUE(ConversionOptionsFromArguments(
        {"/INFILE", "dir.v1/m.xml", "-outputKIN", "false", "-warnings", "false"}, options, lines));
    EXPECT_EQ(options.inFile, "dir.v1/m.xml");
    EXPECT_EQ(options.outFile, "dir.v1/m");
    EXPECT_TRUE(options.outputIM);
    EXPECT_FALSE(options.outputKIN);
    EXPECT_FALSE(options.logWarnings);
    EXPECT_TRUE(options.logInfo);
}
