// The command line: option parsing into RunOptions and ConvertProcess, and the usage screen.
//
// Every argument must start with '-' or '/'; names compare without regard to case. "k", "ke"
// and "?" take no value; "warnings", "info", "inFile", "outFile", "outputIM" and "outputKIN"
// always take the next argument as their value (empty at the end). Booleans are true exactly
// for "true" in any case. An option given twice keeps its last value.
#pragma once

#include <cstdio>

#include "MeshAnimConverter/driver/ConvertProcess.h"

// Returns true when a conversion may start or help was asked for; false on any option error
// (after logging it).
bool ParseOptions(int argc, const char* const* argv, RunOptions& options, ConvertProcess& process);

// Prints the usage screen.
void PrintUsage(std::FILE* out);
