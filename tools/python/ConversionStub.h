// ConversionStub: the typed conversion entry the module calls, for as long as the driver does
// not provide it. It runs the program's entry with its console captured, one conversion at a
// time (the program log is process-wide), and gives the result as a value.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class ExportUserInterface;

struct ConversionOptions {
    std::string inFile;
    std::string outFile;
    bool outputIM = true;
    bool outputKIN = true;
    unsigned threads = 0;
    std::optional<std::uint32_t> referenceNameSeed;
    ExportUserInterface* ui = nullptr;
    std::function<void(const std::string&)> onLine;
};

struct ConversionResult {
    bool success = false;
    int errorCount = 0;
    int warningCount = 0;
    std::vector<std::string> filesWritten;
    std::vector<std::string> lines;  // what the console prints, closing summary left out
};

ConversionResult RunConversion(const ConversionOptions& options);
