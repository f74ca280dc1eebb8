// VantokMeshImporter: converts one interchange file into .im, .kin and texture descriptors.
#include "MeshAnimConverter/driver/ProgramEntry.h"

int main(int argc, char** argv) {
    return ProgramMain(argc, argv);
}
