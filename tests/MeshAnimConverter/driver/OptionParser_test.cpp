// The option grammar, case by case.
#include "MeshAnimConverter/driver/OptionParser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MeshAnimConverter/driver/LineLog.h"

namespace {

struct Parsed {
    bool result;
    RunOptions options;
    ConversionOptions process;
    std::string log;
    int32_t logInfo;
    int32_t logWarnings;
};

Parsed Parse(const std::vector<std::string>& args) {
    Parsed p;
    LineLog log([&p](const std::string& line) { p.log += line + "\n"; });
    p.result = ParseOptions(args, p.options, p.process, log);
    p.logInfo = p.process.logInfo ? 1 : 0;
    p.logWarnings = p.process.logWarnings ? 1 : 0;
    return p;
}

}  // namespace

TEST(OptionParser, NoArgumentsMissParameters) {
    const Parsed p = Parse({});
    EXPECT_FALSE(p.result);
    EXPECT_EQ(p.log, "Error: Missing parameters.\n");
    EXPECT_EQ(p.options.errorCount, 0);
}

TEST(OptionParser, InputAloneDerivesTheOutput) {
    const Parsed p = Parse({"-inFile", "c:\\a\\model.final.xml"});
    EXPECT_TRUE(p.result);
    EXPECT_STREQ(p.process.inFile.c_str(), "c:\\a\\model.final.xml");
    EXPECT_STREQ(p.process.outFile.c_str(), "c:\\a\\model.final");
    EXPECT_EQ(p.process.outputIM, 1);
    EXPECT_EQ(p.process.outputKIN, 1);
    EXPECT_EQ(p.log, "");
    const Parsed q = Parse({"-inFile", "dir.v1/model"});
    EXPECT_STREQ(q.process.outFile.c_str(), "dir.v1/model");
}

TEST(OptionParser, PrefixesAndNamesIgnoreCaseAndSlashWorks) {
    const Parsed p = Parse({"/INFILE", "a.xml", "-OutFile", "b", "/K", "-kE"});
    EXPECT_TRUE(p.result);
    EXPECT_STREQ(p.process.outFile.c_str(), "b");
    EXPECT_EQ(p.options.waitKeyOnExit, 1);
    EXPECT_EQ(p.options.waitKeyOnError, 1);
}

TEST(OptionParser, ValueOptionsConsumeTheNextArgumentWhateverItIs) {
    const Parsed p = Parse({"-inFile", "a.xml", "-outputIM", "-k"});
    EXPECT_TRUE(p.result);
    EXPECT_EQ(p.process.outputIM, 0);
    EXPECT_EQ(p.options.waitKeyOnExit, 0);
    const Parsed q = Parse({"-inFile", "-outFile"});
    EXPECT_TRUE(q.result);
    EXPECT_STREQ(q.process.inFile.c_str(), "-outFile");
}

TEST(OptionParser, BooleansAreTrueOnlyForTrue) {
    const struct {
        const char* value;
        int32_t expected;
    } cases[] = {{"true", 1}, {"TRUE", 1}, {"tRuE", 1}, {"false", 0},
                 {"1", 0},    {"yes", 0},  {"", 0},     {"true ", 0}};
    for (const auto& c : cases) {
        const Parsed p = Parse({"-inFile", "a", "-outputKIN", c.value});
        EXPECT_EQ(p.process.outputKIN, c.expected) << "'" << c.value << "'";
    }
}

TEST(OptionParser, TrailingValueOptionGetsAnEmptyValue) {
    const Parsed p = Parse({"-inFile", "a.xml", "-outputKIN"});
    EXPECT_TRUE(p.result);
    EXPECT_EQ(p.process.outputKIN, 0);
    const Parsed q = Parse({"-inFile"});
    EXPECT_TRUE(q.result);  // an inFile was given, though empty: the run reports the failure
    EXPECT_TRUE(q.process.inFile.empty());
    EXPECT_EQ(q.log, "");
}

TEST(OptionParser, BothOutputsOffWouldOutputNothing) {
    const Parsed p = Parse({"-inFile", "a.xml", "-outputIM", "false", "-outputKIN", "false"});
    EXPECT_FALSE(p.result);
    EXPECT_EQ(p.log, "Error: No files would be output.\n");
    EXPECT_EQ(p.options.errorCount, 0);
}

TEST(OptionParser, LastValueWins) {
    const Parsed p = Parse({"-inFile", "a.xml", "-inFile", "b.xml", "-outputIM", "false",
                            "-outputIM", "TRUE", "-info", "false", "-info", "true"});
    EXPECT_TRUE(p.result);
    EXPECT_STREQ(p.process.inFile.c_str(), "b.xml");
    EXPECT_EQ(p.process.outputIM, 1);
    EXPECT_EQ(p.logInfo, 1);
}

TEST(OptionParser, DisplaySwitchesGoToTheLog) {
    const Parsed p = Parse({"-inFile", "a.xml", "-warnings", "no", "-info", "false"});
    EXPECT_TRUE(p.result);
    EXPECT_EQ(p.logWarnings, 0);
    EXPECT_EQ(p.logInfo, 0);
}

TEST(OptionParser, ErrorsStopAtOnceAndCount) {
    const Parsed p = Parse({"-inFile", "a.xml", "model.xml", "-bogus"});
    EXPECT_FALSE(p.result);
    EXPECT_EQ(p.log, "Error: Option missing valid prefix: 'model.xml'\n");
    EXPECT_EQ(p.options.errorCount, 1);
    const Parsed q = Parse({"-verbose", "-inFile", "a.xml"});
    EXPECT_FALSE(q.result);
    EXPECT_EQ(q.log, "Error: Unrecognized option: 'verbose'\n");
    EXPECT_EQ(q.options.errorCount, 1);
    const Parsed r = Parse({"-", "x"});
    EXPECT_EQ(r.log, "Error: Unrecognized option: ''\n");
}

TEST(OptionParser, HelpSkipsTheFinalChecksButNotLaterErrors) {
    const Parsed p = Parse({"-?"});
    EXPECT_TRUE(p.result);
    EXPECT_EQ(p.options.showHelp, 1);
    EXPECT_EQ(p.log, "");
    const Parsed q = Parse({"-?", "-nonsense"});
    EXPECT_FALSE(q.result);
    EXPECT_EQ(q.log, "Error: Unrecognized option: 'nonsense'\n");
    const Parsed r = Parse({"-inFile", "a.xml", "/?"});
    EXPECT_TRUE(r.result);
    EXPECT_TRUE(r.process.outFile.empty());  // no derivation when help was asked for
}
