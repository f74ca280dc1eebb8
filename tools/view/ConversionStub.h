// ConversionStub: a private stand-in for the converter's typed conversion entry
// (RunConversion), with the same options and result, until that entry is available. It runs
// the program entry in-process and collects its printed lines.
#pragma once

#include <functional>
#include <string>
#include <vector>

class ExportUserInterface;

struct ConversionOptions {
    std::string inFile;
    std::string outFile;  // base path of the outputs
    bool outputIM = true;
    bool outputKIN = true;
    int threads = 0;                    // 0: every hardware thread
    ExportUserInterface* ui = nullptr;  // not used by the stand-in
    std::function<void(const std::string&)> onLine;
};

struct ConversionResult {
    bool success = false;
    int errorCount = 0;
    int warningCount = 0;
    std::vector<std::string> filesWritten;
    std::vector<std::string> lines;
};

// Not thread-safe: the program log is process-wide, so callers convert one file at a time.
ConversionResult RunConversion(const ConversionOptions& options);
