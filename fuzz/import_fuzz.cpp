// Fuzz target for vantok-import: the first byte picks one of the formats assimp reads from
// memory, the rest is the model; a model that reads is extracted (skeleton, rest pose, weights,
// materials, animations) and written as interchange text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "tools/import/InterchangeWriter.h"
#include "tools/import/ModelImporter.h"

namespace {

const char* const kFormats[] = {"obj",  "ply", "stl", "off", "x",   "smd",  "md5mesh", "bvh",
                                "gltf", "glb", "dae", "fbx", "3ds", "ms3d", "b3d",     "iqm",
                                "ac",   "ase", "md2", "md3", "mdl", "nff",  "raw",     "q3o"};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const std::string format = kFormats[data[0] % (sizeof kFormats / sizeof kFormats[0])];
    ImportOptions options;
    options.modelPath = "fuzz." + format;
    options.fps = 5;  // fewer frames per fuzzed animation
    ImportedModel model;
    std::string error;
    if (ImportModelBytes(data + 1, size - 1, format, options, "fuzz", model, error))
        InterchangeText(model, FrameSpace::Local, OrientationForm::AxisAngle);
    return 0;
}
