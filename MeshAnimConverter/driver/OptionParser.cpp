// Option parsing and the usage screen.
#include "MeshAnimConverter/driver/OptionParser.h"

#include "MeshAnimConverter/driver/LogFile.h"
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

bool IsTrue(const char* value) {
    return gtString::CompareNoCase(value, "true") == 0;
}

}  // namespace

void PrintUsage(std::FILE* out) {
    for (const char* line : kUsageLines) {
        std::fputs(line, out);
        std::fputc('\n', out);
    }
    std::fflush(out);
}

bool ParseOptions(int argc, const char* const* argv, RunOptions& options, ConvertProcess& process) {
    bool haveInput = false;
    bool haveOutput = false;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (argument[0] != '-' && argument[0] != '/') {
            programLog.Error("Option missing valid prefix: '%s'", argument);
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
            programLog.Error("Unrecognized option: '%s'", name);
            ++options.errorCount;
            return false;
        }
        // A value option always consumes the next argument, whatever it looks like.
        const char* value = (i + 1 < argc) ? argv[++i] : "";
        if (is("warnings")) {
            programLog.logWarnings = IsTrue(value) ? 1 : 0;
        } else if (is("info")) {
            programLog.logInfo = IsTrue(value) ? 1 : 0;
        } else if (is("inFile")) {
            process.inFile = value;
            haveInput = true;
        } else if (is("outFile")) {
            process.outFile = value;
            haveOutput = true;
        } else if (is("outputIM")) {
            process.outputIM = IsTrue(value) ? 1 : 0;
        } else {
            process.outputKIN = IsTrue(value) ? 1 : 0;
        }
    }
    if (options.showHelp != 0) {
        return true;
    }
    if (!haveInput) {
        programLog.Error("Missing parameters.");
        return false;
    }
    if (!(process.outputIM + process.outputKIN > 0)) {
        programLog.Error("No files would be output.");
        return false;
    }
    if (!haveOutput) {
        process.outFile = PathWithoutExtension(process.inFile);
    }
    return true;
}
