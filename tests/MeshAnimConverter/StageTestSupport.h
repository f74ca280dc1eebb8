// The stages as the conversion run composes them, for tests and benchmarks that drive one stage
// or a few: the program log as the log, the skeleton and animation preparation as the reader's
// preparer, and the IM writer over a freshly built indexed mesh with the sequential optimiser.
#pragma once

#include <optional>

#include "MeshAnimConverter/anim/SkeletonPreparation.h"
#include "MeshAnimConverter/driver/LogFile.h"
#include "MeshAnimConverter/mesh/ChunkOptimiser.h"
#include "MeshAnimConverter/mesh/GenericMesh.h"
#include "MeshAnimConverter/mesh/IndexedMesh.h"
#include "MeshAnimConverter/mesh/IndexedMeshWriter.h"
#include "MeshAnimConverter/report/ExportUserInterface.h"
#include "MeshAnimConverter/report/ReportContext.h"

inline SkeletonAnimationPreparer& TestPreparer() {
    static SkeletonAnimationPreparer preparer(programLog);
    return preparer;
}

// Builds the indexed mesh of `mesh` and writes it to `path`, as the run does (`seed`: the
// reference names' fixed seed).
inline bool WriteImFile(const gtString& path, const GenericMesh& mesh,
                        ConverterExGenericSkeleton* skeleton = nullptr,
                        std::optional<uint32_t> seed = std::nullopt) {
    NullExportUserInterface ui;
    ExIndexedMesh indexed(mesh, false, ui);
    SequentialChunkOptimiser optimiser;
    return WriteIndexedMeshFile(path, indexed, skeleton, optimiser, ReportContext{programLog, ui},
                                seed);
}
