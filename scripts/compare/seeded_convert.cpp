// The converter's program entry with the reference-name generator seeded, so two builds can be
// compared byte for byte: seeded_convert SEED converter-options...
// Builds against either form of the seed: the program entry's argument (Conversion.h present)
// or the earlier process-wide setter.
#include <cstdint>
#include <cstdlib>

#include "MeshAnimConverter/driver/ProgramEntry.h"
#include "MeshAnimConverter/mesh/IndexedMeshWriter.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        return 2;
    }
    const auto seed = static_cast<uint32_t>(std::strtoul(argv[1], nullptr, 10));
    argv[1] = argv[0];
#if __has_include("MeshAnimConverter/driver/Conversion.h")
    return ProgramMain(argc - 1, argv + 1, stdout, stdin, seed);
#else
    SetIndexedMeshRandomSeed(true, seed);
    return ProgramMain(argc - 1, argv + 1);
#endif
}
