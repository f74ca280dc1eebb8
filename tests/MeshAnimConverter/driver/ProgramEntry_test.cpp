// The program entry end to end in-process: usage screen bytes, summary, waiting, exit status.
#include "MeshAnimConverter/driver/ProgramEntry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CaptureFile.h"
#include "MeshAnimConverter/driver/LogFile.h"

namespace {

const char kUsage[] =
    "Usage:\n"
    "   VantokMeshImporter [ options ... ]\n"
    "\n"
    "   Converts a mesh and animation data file \n"
    "   into Vantok compatible .IM and .KIN files.\n"
    "\n"
    "   Options:\n"
    "\n"
    "      -inFile <filename>      Input file name\n"
    "      -outFile <filename>     Output file name (extension ignored)\n"
    "                              Uses inFile name if parameter is missing\n"
    "      -outputIM [true],false  Output the geometry file\n"
    "      -outputKIN [true],false Output the animation file\n"
    "      -verbose                Log maximum info about the process\n"
    "      -warnings [true],false  Log warnings\n"
    "      -info [true],false      Log information\n"
    "      -k                      Wait for key on exit\n"
    "      -ke                     Wait for key on error\n"
    "      -?                      Show this help screen\n"
    "\n"
    "   Examples:\n"
    "\n"
    "      VantokMeshImporter -inFile \"c:\\models\\door.xml\" \n"
    "\n"
    "      VantokMeshImporter -inFile \"c:\\models\\wheel.xml\" \n"
    "                         -outFile \"c:\\converted\\wheel\" \n"
    "                         -outputKIN false \n"
    "                         -ke \n"
    "\n";

const char kWait[] = "\nPress enter to close window. ";

struct Result {
    int status;
    std::string out;
    long inputConsumed;
};

Result RunProgram(std::vector<const char*> args) {
    CaptureFile out;
    CaptureFile in("\nmore input\n");
    programLog.Reset();
    args.insert(args.begin(), "VantokMeshImporter");
    Result r;
    r.status = ProgramMain(static_cast<int>(args.size()), args.data(), out.get(), in.get());
    r.out = out.Text();
    r.inputConsumed = in.Position();
    programLog.SetOutput(nullptr);
    programLog.Reset();
    return r;
}

// The lines of a run whose input does not exist, up to the closing summary.
const char kFailedRun[] =
    "Info: Process started. This may take some time. Please wait...\n"
    "Error: Failed to open file: 'missing.xml'\n"
    "Error: Failed to process files\n";

}  // namespace

TEST(ProgramEntry, UsageScreenByteForByte) {
    const Result r = RunProgram({"-?"});
    EXPECT_EQ(r.out, kUsage);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.inputConsumed, 0);
}

TEST(ProgramEntry, HelpWinsOverValidOptions) {
    const Result r = RunProgram({"-inFile", "a.xml", "-?", "-k"});
    EXPECT_EQ(r.out, std::string(kUsage) + kWait);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.inputConsumed, 1);
}

TEST(ProgramEntry, NoArgumentsShowUsageWithoutWaiting) {
    const Result r = RunProgram({});
    EXPECT_EQ(r.out, std::string("Error: Missing parameters.\n") + kUsage);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.inputConsumed, 0);
}

TEST(ProgramEntry, OptionErrorThenUsageAndStatus1) {
    const Result r = RunProgram({"-inFile", "a.xml", "oops"});
    EXPECT_EQ(r.out, std::string("Error: Option missing valid prefix: 'oops'\n") + kUsage);
    EXPECT_EQ(r.status, 1);
}

TEST(ProgramEntry, NothingToOutputIsStatus1) {
    const Result r = RunProgram({"-inFile", "a.xml", "-outputIM", "no", "-outputKIN", "no", "-ke"});
    EXPECT_EQ(r.out, std::string("Error: No files would be output.\n") + kUsage);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.inputConsumed, 0);  // -ke does not wait: errorCount stayed 0
}

TEST(ProgramEntry, FailedRunLogsTheSummaryAndCountsTheError) {
    const Result r = RunProgram({"-inFile", "missing.xml"});
    ASSERT_EQ(r.out.compare(0, sizeof kFailedRun - 1, kFailedRun), 0) << r.out;
    const std::string summary = r.out.substr(sizeof kFailedRun - 1);
    EXPECT_EQ(summary.rfind("Info: Process completed after ", 0), 0u) << summary;
    EXPECT_NE(summary.find(" with 2 errors and 0 warnings\n"), std::string::npos) << summary;
    EXPECT_EQ(r.status, 1);
}

TEST(ProgramEntry, WaitOnErrorWaitsAfterAFailedRun) {
    const Result r = RunProgram({"-inFile", "missing.xml", "-ke"});
    EXPECT_EQ(r.out.substr(r.out.size() - (sizeof kWait - 1)), kWait);
    EXPECT_EQ(r.inputConsumed, 1);
    const Result k = RunProgram({"-inFile", "missing.xml", "-k"});
    EXPECT_EQ(k.inputConsumed, 1);
}

TEST(ProgramEntry, InfoFalseHidesTheStartLineAndTheSummary) {
    const Result r = RunProgram({"-info", "false", "-inFile", "missing.xml"});
    EXPECT_EQ(r.out,
              "Error: Failed to open file: 'missing.xml'\n"
              "Error: Failed to process files\n");
    EXPECT_EQ(r.status, 1);
}
