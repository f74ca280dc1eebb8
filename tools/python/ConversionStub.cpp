// ConversionStub: ProgramMain under a lock, its console read back line by line.
#include "tools/python/ConversionStub.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <mutex>

#include "MeshAnimConverter/driver/LogFile.h"
#include "MeshAnimConverter/driver/ProgramEntry.h"
#include "MeshAnimConverter/mesh/IndexedMeshWriter.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> ReadLines(std::FILE* file) {
    std::vector<std::string> lines;
    std::fflush(file);
    std::rewind(file);
    std::string line;
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else {
            line += static_cast<char>(c);
        }
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

// The files of the output folder written since `start`.
std::vector<std::string> WrittenSince(const std::string& outBase, fs::file_time_type start) {
    std::vector<std::string> files;
    std::error_code error;
    fs::path folder = fs::path(outBase).parent_path();
    if (folder.empty())
        folder = ".";
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        if (entry.is_regular_file(error) && entry.last_write_time(error) >= start)
            files.push_back(entry.path().string());
    }
    return files;
}

}  // namespace

ConversionResult RunConversion(const ConversionOptions& options) {
    static std::mutex lock;
    std::lock_guard<std::mutex> guard(lock);
    std::vector<std::string> args = {"VantokMeshImporter", "-inFile", options.inFile};
    if (!options.outFile.empty())
        args.insert(args.end(), {"-outFile", options.outFile});
    if (!options.outputIM)
        args.insert(args.end(), {"-outputIM", "false"});
    if (!options.outputKIN)
        args.insert(args.end(), {"-outputKIN", "false"});
    std::vector<const char*> argv;
    for (const std::string& a : args) argv.push_back(a.c_str());
    if (options.threads != 0)
        setenv("VANTOK_THREADS", std::to_string(options.threads).c_str(), 1);
    if (options.referenceNameSeed)
        SetIndexedMeshRandomSeed(true, *options.referenceNameSeed);

    const auto start = fs::file_time_type::clock::now() - std::chrono::seconds(1);
    std::FILE* out = std::tmpfile();
    ConversionResult result;
    if (out == nullptr) {
        result.lines.push_back("Error: cannot capture the conversion's output");
        result.errorCount = 1;
        return result;
    }
    programLog.Reset();
    const int status = ProgramMain(static_cast<int>(argv.size()), argv.data(), out, nullptr);
    result.lines = ReadLines(out);
    std::fclose(out);
    programLog.SetOutput(nullptr);
    SetIndexedMeshRandomSeed(false, 0);
    if (options.threads != 0)
        unsetenv("VANTOK_THREADS");

    if (!result.lines.empty() && result.lines.back().rfind("Info: Process completed", 0) == 0)
        result.lines.pop_back();
    result.success = status == 0;
    result.errorCount = programLog.numErrors;
    result.warningCount = programLog.numWarnings;
    const std::string base = options.outFile.empty() ? options.inFile : options.outFile;
    result.filesWritten = WrittenSince(base, start);
    for (const std::string& line : result.lines) {
        if (options.onLine)
            options.onLine(line);
    }
    return result;
}
