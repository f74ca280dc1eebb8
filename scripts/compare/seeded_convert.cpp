// The converter's program entry with the reference-name generator seeded, so two builds can be
// compared byte for byte: seeded_convert SEED converter-options...
#include <cstdint>
#include <cstdlib>

#include "MeshAnimConverter/driver/ProgramEntry.h"
#include "MeshAnimConverter/mesh/IndexedMeshWriter.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        return 2;
    }
    SetIndexedMeshRandomSeed(true, static_cast<uint32_t>(std::strtoul(argv[1], nullptr, 10)));
    argv[1] = argv[0];
    return ProgramMain(argc - 1, argv + 1);
}
