#include "tools/view/ConversionStub.h"

#include <cstdio>
#include <filesystem>
#include <sstream>

#include "MeshAnimConverter/driver/LogFile.h"
#include "MeshAnimConverter/driver/ProgramEntry.h"

namespace {

std::string ReadAll(std::FILE* file) {
    std::fflush(file);
    const long end = std::ftell(file);
    std::string text(end > 0 ? static_cast<std::size_t>(end) : 0u, '\0');
    std::rewind(file);
    text.resize(std::fread(text.data(), 1, text.size(), file));
    return text;
}

}  // namespace

ConversionResult RunConversion(const ConversionOptions& options) {
    ConversionResult result;
    std::FILE* out = std::tmpfile();
    std::FILE* in = std::tmpfile();
    if (out == nullptr || in == nullptr) {
        result.lines.push_back("Error: cannot create a temporary file for the conversion log");
        result.errorCount = 1;
        return result;
    }
    std::vector<std::string> args = {"VantokMeshImporter",
                                     "-inFile",
                                     options.inFile,
                                     "-outFile",
                                     options.outFile,
                                     "-outputIM",
                                     options.outputIM ? "true" : "false",
                                     "-outputKIN",
                                     options.outputKIN ? "true" : "false"};
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    programLog.Reset();
    const int status = ProgramMain(static_cast<int>(argv.size()), argv.data(), out, in);
    programLog.SetOutput(nullptr);
    std::istringstream text(ReadAll(out));
    std::fclose(out);
    std::fclose(in);
    programLog.Reset();
    for (std::string line; std::getline(text, line);) {
        if (line.rfind("Error:", 0) == 0)
            ++result.errorCount;
        if (line.rfind("Warning:", 0) == 0)
            ++result.warningCount;
        if (options.onLine)
            options.onLine(line);
        result.lines.push_back(line);
    }
    result.success = status == 0;
    const std::string im = options.outFile + ".im";
    if (options.outputIM && std::filesystem::exists(im))
        result.filesWritten.push_back(im);
    return result;
}
