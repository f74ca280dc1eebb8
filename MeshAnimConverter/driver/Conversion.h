// Conversion: one conversion as a value, for callers inside a process (vantok-import --convert,
// the viewer, the Python module) and for the console program, which is a thin user of it.
//
// RunConversion reads the options, reports to a log of its own and returns what the console
// program would have printed as lines, with the counts and the files written. It touches no
// process-wide state but the debug sink, which it leaves off as the converter does, so several
// conversions may run at once on different outputs.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class ExportUserInterface;

struct ConversionOptions {
    std::string inFile;
    std::string outFile;  // base path of the outputs (extension ignored); empty: inFile without
                          // its extension, as the console program derives it
    bool outputIM = true;
    bool outputKIN = true;
    unsigned threads = 0;  // 0: every hardware thread
    std::optional<std::uint32_t> referenceNameSeed;  // tests: fixed seed of the reference names
    ExportUserInterface* ui = nullptr;  // progress and questions; null shows nothing, answers "no"
    std::function<void(const std::string&)> onLine;  // optional: each line as it is produced
    bool logInfo = true;      // info lines are produced (-info)
    bool logWarnings = true;  // warning lines are produced (-warnings); counted either way
};

struct ConversionResult {
    bool success = false;
    int errorCount = 0;
    int warningCount = 0;
    std::vector<std::string> filesWritten;  // every file written (.im, descriptors, .kin), in order
    // Every line the console program prints for this run (standard output and standard error, in
    // order: "Process started...", the log lines with their level prefixes, the strip
    // generator's diagnostic lines, the lexer's box texts, "Failed to process files" when it
    // failed), without colour codes or line ends; the closing summary is left out.
    std::vector<std::string> lines;
};

// Runs one conversion; safe to call from several threads at once on different outputs.
ConversionResult RunConversion(const ConversionOptions& options);

// The converter's own command-line options (as VantokMeshImporter takes them, e.g.
// {"-inFile","a.xml","-outputKIN","false"}) as ConversionOptions; false with the lines the
// console program would print for an option error (the error and the usage screen). "-?" also
// gives false, with the usage screen alone: there is nothing to convert.
bool ConversionOptionsFromArguments(const std::vector<std::string>& args,
                                    ConversionOptions& options,
                                    std::vector<std::string>& errorLines);
