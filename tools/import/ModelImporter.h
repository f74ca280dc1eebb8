// ModelImporter: reads a model with assimp and fills an ImportedModel: geometry and materials,
// the skeleton with its weights, attachment points and the sampled animations. Nothing is
// written here. On failure `error` holds assimp's reason (or ours) and the model is to be
// discarded.
#pragma once

#include <cstddef>
#include <string>

#include "tools/import/ImportOptions.h"
#include "tools/import/ImportedModel.h"

// `imageStem` names the files of embedded images (stem_N.ext).
bool ImportModel(const ImportOptions& options, const std::string& imageStem, ImportedModel& model,
                 std::string& error);

// The same from bytes in memory; `formatHint` is the extension of the format ("obj", "glb", ...).
// Formats that refer to other files (textures, .mtl, .bin) find none.
bool ImportModelBytes(const void* data, std::size_t size, const std::string& formatHint,
                      const ImportOptions& options, const std::string& imageStem,
                      ImportedModel& model, std::string& error);

// The post-processing steps asked of assimp (also used by the benchmark for assimp's own time).
unsigned ImportPostProcessFlags();
