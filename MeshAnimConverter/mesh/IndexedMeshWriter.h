// IndexedMeshWriter: writes the .im file of a generic mesh, with its texture descriptors.
//
// WriteIndexedMeshFile builds the ExIndexedMesh, then writes the "IDXM" form: INFO, one CHNK
// (MATL and GEOM) per chunk after its per-chunk optimisation, then SKEL when the mesh carries a
// skeleton, else INFL when it has bone weights, then ATCH when it has attachments. The file is
// written beside the target and moved into place only when every write succeeded, so a failed
// write never leaves a partial file under the target's name nor loses an existing one.
// Descriptors go to the target's folder. Reports through the program log.
#pragma once

#include <cstdint>

#include "toolkit/gtString.h"

class GenericMesh;

// True when the file was written completely.
bool WriteIndexedMeshFile(const gtString& path, GenericMesh& mesh);

// Tests: seed the reference-name generator with `seed` instead of the millisecond timer
// (`enabled` false restores the timer).
void SetIndexedMeshRandomSeed(bool enabled, uint32_t seed);
