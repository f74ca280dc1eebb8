// SequentialChunkOptimiser: the per-chunk step run when the writer takes the chunk.
#include "MeshAnimConverter/mesh/ChunkOptimisation.h"
#include "MeshAnimConverter/mesh/ChunkOptimiser.h"

OptimisedChunk SequentialChunkOptimiser::Take(uint32_t chunk) {
    OptimisedChunk result;
    result.ok = PrepareChunkForOutput(*m_mesh, chunk, true, result.vertexCount);
    return result;
}
