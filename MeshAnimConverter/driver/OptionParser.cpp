// Option parsing and the usage screen.
#include "MeshAnimConverter/driver/OptionParser.h"

#include <iterator>

#include "toolkit/gtPath.h"

namespace {

const char* const kUsageLines[] = {
    "Usage:",
    "   VantokMeshImporter [ options ... ]",
    "",
    "   Converts a mesh and animation data file ",
    "   into Vantok compatible .IM and .KIN files.",
    "",
    "   Options:",
    "",
    "      -inFile <filename>      Input file name",
    "      -outFile <filename>     Output file name (extension ignored)",
    "                              Uses inFile name if parameter is missing",
    "      -outputIM [true],false  Output the geometry file",
    "      -outputKIN [true],false Output the animation file",
    "      -verbose                Log maximum info about the process",
    "      -warnings [true],false  Log warnings",
    "      -info [true],false      Log information",
    "      -k                      Wait for key on exit",
    "      -ke                     Wait for key on error",
    "      -?                      Show this help screen",
    "",
    "   Examples:",
    "",
    "      VantokMeshImporter -inFile \"c:\\models\\door.xml\" ",
    "",
    "      VantokMeshImporter -inFile \"c:\\models\\wheel.xml\" ",
    "                         -outFile \"c:\\converted\\wheel\" ",
    "                         -outputKIN false ",
    "                         -ke ",
    "",
};

bool IsTrue(const std::string& value) {
    return gtString::CompareNoCase(value.c_str(), "true") == 0;
}

}  // namespace

std::vector<std::string> UsageLines() {
    return std::vector<std::string>(std::begin(kUsageLines), std::end(kUsageLines));
}

void PrintUsage(std::FILE* out) {
    for (const char* line : kUsageLines) {
        std::fputs(line, out);
        std::fputc('\n', out);
    }
    std::fflush(out);
}

bool ParseOptions(const std::vector<std::string>& args, RunOptions& options,
                  ConversionOptions& conversion, tlLog& log) {
    bool haveInput = false;
    bool haveOutput = false;
    const size_t count = args.size();
    for (size_t i = 0; i < count; ++i) {
        const char* argument = args[i].c_str();
        if (argument[0] != '-' && argument[0] != '/') {
            log.Error("Option missing valid prefix: '%s'", argument);
            ++options.errorCount;
            return false;
        }
        const char* name = argument + 1;
        auto is = [name](const char* option) { return gtString::CompareNoCase(name, option) == 0; };
        if (is("k")) {
            options.waitKeyOnExit = 1;
            continue;
        }
        if (is("ke")) {
            options.waitKeyOnError = 1;
            continue;
        }
        if (is("?")) {
            options.showHelp = 1;
            continue;
        }
        const bool takesValue = is("warnings") || is("info") || is("inFile") || is("outFile") ||
                                is("outputIM") || is("outputKIN");
        if (!takesValue) {
            log.Error("Unrecognized option: '%s'", name);
            ++options.errorCount;
            return false;
        }
        // A value option always consumes the next argument, whatever it looks like.
        const std::string value = (i + 1 < count) ? args[++i] : std::string();
        if (is("warnings")) {
            conversion.logWarnings = IsTrue(value);
        } else if (is("info")) {
            conversion.logInfo = IsTrue(value);
        } else if (is("inFile")) {
            conversion.inFile = value;
            haveInput = true;
        } else if (is("outFile")) {
            conversion.outFile = value;
            haveOutput = true;
        } else if (is("outputIM")) {
            conversion.outputIM = IsTrue(value);
        } else {
            conversion.outputKIN = IsTrue(value);
        }
    }
    if (options.showHelp != 0) {
        return true;
    }
    if (!haveInput) {
        log.Error("Missing parameters.");
        return false;
    }
    if (!conversion.outputIM && !conversion.outputKIN) {
        log.Error("No files would be output.");
        return false;
    }
    if (!haveOutput) {
        conversion.outFile = PathWithoutExtension(conversion.inFile.c_str()).c_str();
    }
    return true;
}
