// The program entry of VantokMeshImporter: start-up, options, usage or run, the closing
// summary and the optional wait for Enter.
//
// Exit status: 1 when an option error occurred, the run failed, or the command line gave
// nothing to do ("Missing parameters.", "No files would be output."); 0 otherwise.
#pragma once

#include <cstdio>

int ProgramMain(int argc, const char* const* argv, std::FILE* out = stdout, std::FILE* in = stdin);
