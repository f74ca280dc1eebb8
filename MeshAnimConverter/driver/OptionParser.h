// The command line: option parsing into RunOptions and ConversionOptions, and the usage screen.
//
// Every argument must start with '-' or '/'; names compare without regard to case. "k", "ke"
// and "?" take no value; "warnings", "info", "inFile", "outFile", "outputIM" and "outputKIN"
// always take the next argument as their value (empty at the end). Booleans are true exactly
// for "true" in any case. An option given twice keeps its last value.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "MeshAnimConverter/driver/ConvertProcess.h"

class tlLog;

// `args` are the options without the program's name. Returns true when a conversion may start
// or help was asked for; false on any option error (after logging it to `log`). A missing
// -outFile is derived from -inFile.
bool ParseOptions(const std::vector<std::string>& args, RunOptions& options,
                  ConversionOptions& conversion, tlLog& log);

// The usage screen, line by line, and printed.
std::vector<std::string> UsageLines();
void PrintUsage(std::FILE* out);
