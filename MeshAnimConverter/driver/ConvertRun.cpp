// The conversion run: read the interchange file, fill the generic mesh and skeleton, write the
// .im file and one .kin file per animation block, naming every output after outFile.
#include <memory>

#include "MeshAnimConverter/anim/ConverterExGenericSkeleton.h"
#include "MeshAnimConverter/anim/KinFileWriter.h"
#include "MeshAnimConverter/driver/ConvertProcess.h"
#include "MeshAnimConverter/driver/LogFile.h"
#include "MeshAnimConverter/mesh/FillGenericMesh.h"
#include "MeshAnimConverter/mesh/GenericMesh.h"
#include "MeshAnimConverter/mesh/IndexedMeshWriter.h"
#include "MeshAnimConverter/scene/InterchangeReader.h"
#include "MeshAnimConverter/scene/SceneData.h"
#include "toolkit/gtPath.h"

namespace {

// An animation name is a file name: separators and drive colons become '_', so no name writes
// outside the output folder.
gtString SafeFileName(const gtString& name) {
    gtString safe = name;
    for (int i = 0; i < safe.Length(); ++i) {
        const char c = safe[i];
        if (c == '/' || c == '\\' || c == ':') {
            safe.SetAt(i, '_');
        }
    }
    return safe;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Entry points

bool ConvertProcess::Run() {
    auto scene = std::make_unique<SceneData>();
    if (!ReadInterchangeFile(*this, *scene)) {
        return false;
    }
    programLog.Info("Finished reading input file");

    std::unique_ptr<GenericMesh> mesh;
    std::unique_ptr<ConverterExGenericSkeleton> skeleton;
    if (!FillGenericMesh(*scene, mesh, skeleton)) {
        return false;
    }
    programLog.Info("Filled Mesh");
    programLog.Info("Converting formats and optimizing...");

    if (outputIM != 0) {
        const gtString imPath = PathWithExtension(outFile, "im");
        mesh->skeleton = nullptr;
        if (!WriteIndexedMeshFile(imPath, *mesh)) {
            return false;
        }
    }
    if (skeleton != nullptr) {
        mesh->skeleton = skeleton.get();
    }

    if (outputKIN != 0) {
        if (scene->animations.Count() > 0 && scene->bones.Count() > 0) {
            const gtString kinBase = PathWithExtension(outFile, "kin");
            const gtString directory = PathDirectory(kinBase);
            const gtString title = PathTitle(kinBase);
            bool wroteUnnamed = false;
            bool wroteNamed = false;
            for (int i = 0; i < scene->animations.Count(); ++i) {
                SceneAnimation& animation = scene->animations[i];
                gtString name = animation.name;
                name.Trim();
                if (name.IsEmpty()) {
                    name = title;
                    if (i > 0) {
                        name += gtString::Format("%d", i + 1);
                    }
                    wroteUnnamed = true;
                } else {
                    name = SafeFileName(name);
                    wroteNamed = true;
                }
                const gtString path = PathWithExtension(PathJoin(directory, name), "kin");
                if (!WriteKinFile(*mesh, animation, path.c_str(), *scene)) {
                    return false;
                }
            }
            if (wroteUnnamed && wroteNamed) {
                programLog.Warning("Inconsistent animation names used.");
            }
        } else {
            programLog.Warning("No animation to output.");
        }
    }
    return true;
}
