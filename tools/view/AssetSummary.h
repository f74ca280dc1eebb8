// AssetSummary: what the index and the model page show of one asset: its counts, the .kin
// files that fit it, what the validation found, and for an interchange file the conversion's
// log. Built from the dump library's reader and validator; an unreadable or damaged file gives
// a summary with `error` set, never an exception. Cost: one read of the .im and of each .kin
// beside it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/dump/DumpModel.h"

struct AssetSummary {
    std::string name;   // the served name ("0/sub/a.im")
    std::string title;  // the file name
    bool interchange = false;
    std::uintmax_t size = 0;
    std::filesystem::path meshPath;  // the .im read (in the cache for interchange files)
    std::string error;               // set when the mesh cannot be shown
    std::uint32_t chunks = 0, triangles = 0, vertices = 0, bones = 0;
    std::vector<std::string> kins;                // file names of the fitting .kin files
    std::vector<std::filesystem::path> kinPaths;  // beside `kins`
    std::vector<std::string> issues;              // formatted findings
    int errors = 0, warnings = 0;
    std::vector<std::string> log;  // the conversion's lines (interchange files)
};

// Whether every bone of `animation` names a bone of `mesh` (ignoring ASCII case); an
// animation without bones fits nothing.
bool AnimationFitsMesh(const DumpFile& animation, const DumpFile& mesh);

// Reads the .im at `summary.meshPath` and the .kin files in its folder into `summary`.
void SummarizeMesh(AssetSummary& summary);
