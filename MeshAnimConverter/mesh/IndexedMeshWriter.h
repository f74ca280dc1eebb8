// IndexedMeshWriter: writes the .im file of a built indexed mesh, with its texture descriptors.
//
// The "IDXM" form: INFO, then per chunk, in order, the chunk taken from the chunk optimiser
// (its printed text printed), its reference name drawn, its descriptors written and its CHNK
// (MATL and GEOM) written; then SKEL when a skeleton is given, else INFL when the mesh has bone
// weights, then ATCH when it has attachments. The file is written beside the target and moved
// into place only when every write succeeded, so a failed write never leaves a partial file
// under the target's name nor loses an existing one. Descriptors go to the target's folder.
#pragma once

#include <cstdint>
#include <optional>

#include "toolkit/gtString.h"

class ChunkOptimiser;
class ConverterExGenericSkeleton;
class IndexedMesh;
struct ReportContext;
class tlLog;

// True when the file was written completely. Running out of memory (here or in the optimiser)
// fails the write with ReportOutOfMemoryWritingIm; any other exception of the optimiser passes
// through, the partial file removed. `skeleton` may be null (the converter passes null:
// its bones go to the .kin files). Reports to `report`, and tells its `written` sink the
// descriptors and the .im file once each is in place. The reference names are drawn from a
// generator seeded with `referenceNameSeed`, or with the millisecond timer when none is given
// (tests fix the seed).
bool WriteIndexedMeshFile(const gtString& path, IndexedMesh& mesh,
                          ConverterExGenericSkeleton* skeleton, ChunkOptimiser& optimiser,
                          const ReportContext& report,
                          const std::optional<uint32_t>& referenceNameSeed = std::nullopt);

// Logs "Out of memory writing IM file: '%s'" and "Failed to write IM file: '%s'" for `path`:
// how running out of memory anywhere in building or writing the .im file ends.
void ReportOutOfMemoryWritingIm(const gtString& path, tlLog& log);
