// ChunkWelding: merging identical corners of one chunk, and dropping the triangles that
// welding made degenerate.
//
// WeldChunkVertices compares the corners exactly on (x, y, z, u, v, nx, ny, nz): no tolerance,
// so -0.0 equals 0.0 and a NaN equals nothing (a corner with a NaN is never welded). Every run
// of equal corners keeps its lowest-numbered vertex; the slots of the others are filled from
// the end of the array so the vertices stay packed in place, the triangles are rewritten, and
// the source-corner map follows the moves through its in-place exchanges. The arrays shrink by
// the number of duplicates (their capacity stays). Cost: one sort, O(V log V), then linear
// passes.
//
// RemoveDegenerateTriangles drops every triangle with two equal corners, each time moving the
// current last triangle into its slot (highest first). Vertices are kept. Linear.
#pragma once

#include <cstdint>
#include <vector>

#include "MeshAnimConverter/mesh/ChunkGeometry.h"
#include "toolkit/gtMath.h"

// `vertices`, `normals` and `sourceCorners` have one entry per vertex; returns the number of
// duplicates removed.
uint32_t WeldChunkVertices(std::vector<ChunkVertex>& vertices, std::vector<gtVector3>& normals,
                           std::vector<ChunkTriangle>& triangles,
                           std::vector<uint32_t>& sourceCorners);

// Returns the number of triangles removed.
uint32_t RemoveDegenerateTriangles(std::vector<ChunkTriangle>& triangles);
