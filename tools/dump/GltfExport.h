// GltfExport: an .im file (and any number of .kin files) as one glTF 2.0 binary (.glb).
//
// One mesh with one primitive per chunk that has triangles: positions, normals, texture
// coordinates, tangents where present, 16-bit indices; one material per chunk with the image of
// its diffuse map (found through the texture descriptor beside the .im); the skin from the INFL
// bone records; one animation per .kin. glTF is stricter than these files, so the export
// repairs what it must and reports each kind of repair once in `warnings`: normals normalised
// (a zero normal replaced by its face normal), tangents normalised with w = 1, vertices without
// weights bound to the root joint, weights renormalised to sum to 1, a frame rate of 0 taken as
// 30 frames per second. The document is written with nlohmann-json directly. Cost: linear in
// the file's arrays.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/dump/DumpModel.h"

struct GltfResult {
    bool ok = false;
    std::string error;
    std::vector<std::string> warnings;
    std::vector<std::uint8_t> glb;
};

// Builds the .glb bytes; `mesh` must be an indexed mesh read without a fatal error, and each
// animation an animation read without one.
GltfResult BuildGlb(const DumpFile& mesh, const std::vector<DumpFile>& animations);

// Builds and writes the file at `outPath` (beside it first, renamed into place when complete).
GltfResult ExportGlb(const DumpFile& mesh, const std::vector<DumpFile>& animations,
                     const std::string& outPath);
