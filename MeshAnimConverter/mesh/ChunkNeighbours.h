// ChunkNeighbours: per-triangle edge neighbours across all chunks of an indexed mesh.
//
// For every triangle of one chunk and each of its edges (edge 0 = corners 0-1, 1 = 1-2,
// 2 = 2-0) the value names the last triangle, in scan order over every chunk and triangle of the
// mesh (the triangle itself included), that shares the edge's two corner positions exactly:
// triangle index in the low 16 bits, chunk index above; -1 when none. Quadratic in the mesh's
// triangle count; built only on request, never by the converter.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "MeshAnimConverter/mesh/ChunkGeometry.h"

class ExportUserInterface;

struct NeighbourChunkView {
    const std::vector<ChunkVertex>* vertices = nullptr;
    const std::vector<ChunkTriangle>* triangles = nullptr;
};

// Fills `neighbours` with three values per triangle of chunks[chunk]. `ui` (may be null) gets the
// status "Building neighbor array" and a progress fraction per triangle.
void BuildChunkNeighbours(const std::vector<NeighbourChunkView>& chunks, size_t chunk,
                          std::vector<int32_t>& neighbours, ExportUserInterface* ui);
