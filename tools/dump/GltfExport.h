// GltfExport: an .im file (and any number of .kin files) as one glTF 2.0 binary (.glb).
//
// One mesh with one primitive per chunk that has triangles: positions, normals, texture
// coordinates (written as the .im holds them: v = 0 is the image's top row, as in glTF),
// tangents where present, 16-bit indices; one material per chunk with the image of its diffuse
// map (found through the texture descriptor beside the .im, embedded in the .glb unless
// external images are asked for: see GltfImages.h; a missing or unreadable image leaves its
// material without one, with a warning naming it); the skin from the INFL
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

struct GltfOptions {
    // folders searched, in order, for images not found beside the .im
    std::vector<std::string> imageDirs;
    // keep the images as references to files beside the .glb instead of embedding them
    bool externalImages = false;
};

// Builds the .glb bytes; `mesh` must be an indexed mesh read without a fatal error, and each
// animation an animation read without one. Without options, images found beside the .im are
// embedded.
GltfResult BuildGlb(const DumpFile& mesh, const std::vector<DumpFile>& animations);
GltfResult BuildGlb(const DumpFile& mesh, const std::vector<DumpFile>& animations,
                    const GltfOptions& options);

// Builds and writes the file at `outPath` (beside it first, renamed into place when complete);
// a failed write gives the system's reason.
GltfResult ExportGlb(const DumpFile& mesh, const std::vector<DumpFile>& animations,
                     const std::string& outPath);
GltfResult ExportGlb(const DumpFile& mesh, const std::vector<DumpFile>& animations,
                     const std::string& outPath, const GltfOptions& options);
