// ChunkOptimiser: the per-chunk step the IM writer calls for each chunk, in chunk order, just
// before the chunk is written (tangent frames, reorder, face normals: PrepareChunkForOutput).
//
// The writer owns the order of everything observable (reference names, descriptors, chunk
// writes, log lines); an optimiser only decides where and when the work is done. What a chunk's
// optimisation prints is handed back as text, and the writer prints it in that chunk's turn.
#pragma once

#include <cstdint>
#include <string>

class IndexedMesh;

struct OptimisedChunk {
    bool ok = true;            // false: the chunk would need more than 65535 vertices
    uint32_t vertexCount = 0;  // the chunk's vertex count after the step (or the count needed)
    std::string printed;       // what the step prints on standard output, in order
};

class ChunkOptimiser {
public:
    virtual ~ChunkOptimiser() = default;
    // The writer is about to write the chunks of `mesh`; called once, before the first Take.
    virtual void Begin(IndexedMesh& mesh) { (void)mesh; }
    // Chunk `chunk` of the mesh given to Begin, optimised. Called for 0, 1, 2, ... in order; the
    // writer may stop early.
    virtual OptimisedChunk Take(uint32_t chunk) = 0;
};

// The per-chunk optimisation of chunk `chunk` of `mesh` (PrepareChunkForOutput), with what it
// prints collected. Touches only that chunk and its weights, so different chunks may be
// optimised at the same time.
OptimisedChunk OptimiseChunk(IndexedMesh& mesh, uint32_t chunk);

// Optimises each chunk on the calling thread when it is taken.
class SequentialChunkOptimiser : public ChunkOptimiser {
public:
    void Begin(IndexedMesh& mesh) override { m_mesh = &mesh; }
    OptimisedChunk Take(uint32_t chunk) override;

private:
    IndexedMesh* m_mesh = nullptr;
};
