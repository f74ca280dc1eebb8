// The conversion run, the one place where the pipeline is put together: read (with the skeleton
// and animation preparation per block), fill, build and write the .im file (with the per-chunk
// optimisation per chunk), write one .kin file per animation block. Every output is named after
// outFile; every stage reports to the run's report context (its log, user interface and line
// sinks).
#include <memory>
#include <new>
#include <thread>

#include "MeshAnimConverter/anim/ConverterExGenericSkeleton.h"
#include "MeshAnimConverter/anim/KinFileWriter.h"
#include "MeshAnimConverter/anim/SkeletonPreparation.h"
#include "MeshAnimConverter/driver/ConvertProcess.h"
#include "MeshAnimConverter/mesh/FillGenericMesh.h"
#include "MeshAnimConverter/mesh/GenericMesh.h"
#include "MeshAnimConverter/mesh/IndexedMesh.h"
#include "MeshAnimConverter/mesh/IndexedMeshWriter.h"
#include "MeshAnimConverter/mesh/ParallelChunkOptimiser.h"
#include "MeshAnimConverter/report/ReportContext.h"
#include "MeshAnimConverter/scene/InterchangeReader.h"
#include "MeshAnimConverter/scene/SceneData.h"
#include "toolkit/gtLineSink.h"
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

unsigned ThreadsOf(const ConversionOptions& options) {
    if (options.threads != 0) {
        return options.threads;
    }
    const unsigned hardware = std::thread::hardware_concurrency();
    return hardware > 0 ? hardware : 1;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Entry points

bool ConvertProcess::Run() {
    const ReportContext& report = m_report;
    const gtString inFile = m_options.inFile.c_str();
    const gtString outFile = m_options.outFile.empty() ? PathWithoutExtension(inFile)
                                                       : gtString(m_options.outFile.c_str());

    // Read: the document is read block by block; each skeleton and animation block is handed to
    // the preparation as soon as it is read.
    auto scene = std::make_unique<SceneData>();
    SkeletonAnimationPreparer preparer(report.log);
    if (!ReadInterchangeFile(inFile.c_str(), m_fileVersion, *scene, report.log, preparer,
                             &report.ui, report.lexerErrors, ThreadsOf(m_options))) {
        return false;
    }
    report.log.Info("Finished reading input file");

    // Fill: the generic mesh, and the output skeleton beside it.
    std::unique_ptr<GenericMesh> mesh;
    std::unique_ptr<ConverterExGenericSkeleton> skeleton;
    if (!FillGenericMesh(*scene, mesh, skeleton, report.log)) {
        return false;
    }
    report.log.Info("Filled Mesh");
    report.log.Info("Converting formats and optimizing...");

    // The .im file: build the chunks (welding, influences), then write them; the writer takes
    // each chunk from the optimiser (tangents, reorder, face normals) just before writing it.
    // The .im carries no skeleton: the bones go to the .kin files.
    // The chunks are optimised ahead of the writer on the run's threads.
    if (m_options.outputIM) {
        const gtString imPath = PathWithExtension(outFile, "im");
        std::unique_ptr<ExIndexedMesh> indexed;
        try {
            indexed =
                std::make_unique<ExIndexedMesh>(*mesh, false, report.ui, ThreadsOf(m_options));
        } catch (const std::bad_alloc&) {
            ReportOutOfMemoryWritingIm(imPath, report.log);
            return false;
        }
        ParallelChunkOptimiser optimiser(ThreadsOf(m_options), &report.ui);
        if (!WriteIndexedMeshFile(imPath, *indexed, nullptr, optimiser, report,
                                  m_options.referenceNameSeed)) {
            return false;
        }
    }

    // One .kin file per animation, posed by the output skeleton.
    if (m_options.outputKIN) {
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
                if (!WriteKinFile(skeleton.get(), animation, path.c_str(), *scene, report.log)) {
                    return false;
                }
                if (report.written != nullptr) {
                    report.written->Line(path.c_str());
                }
            }
            if (wroteUnnamed && wroteNamed) {
                report.log.Warning("Inconsistent animation names used.");
            }
        } else {
            report.log.Warning("No animation to output.");
        }
    }
    return true;
}
