// OptimiseChunk, and the sequential optimiser: the per-chunk step run when the writer takes the
// chunk.
#include "MeshAnimConverter/mesh/ChunkOptimisation.h"
#include "MeshAnimConverter/mesh/ChunkOptimiser.h"

OptimisedChunk OptimiseChunk(IndexedMesh& mesh, uint32_t chunk) {
    OptimisedChunk result;
    result.ok = PrepareChunkForOutput(mesh, chunk, true, result.vertexCount, &result.printed);
    return result;
}

OptimisedChunk SequentialChunkOptimiser::Take(uint32_t chunk) {
    return OptimiseChunk(*m_mesh, chunk);
}
