// The program entry of VantokMeshImporter: start-up, options, usage or run, the closing
// summary and the optional wait for Enter.
//
// Exit status: 1 when an option error occurred, the run failed, or the command line gave
// nothing to do ("Missing parameters.", "No files would be output."); 0 otherwise.
// The run is the one RunConversion makes (Conversion.h), reporting to the program log
// (`programLog`) on `out`; VANTOK_THREADS caps its threads.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>

// `referenceNameSeed`: tests and the output comparison fix the seed of the reference names.
int ProgramMain(int argc, const char* const* argv, std::FILE* out = stdout, std::FILE* in = stdin,
                std::optional<std::uint32_t> referenceNameSeed = std::nullopt);
