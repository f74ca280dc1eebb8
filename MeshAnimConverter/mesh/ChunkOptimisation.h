// ChunkOptimisation: the per-chunk step run just before a chunk is written.
//
// For a material whose name contains ".tbump", tangent frames are generated first (vertices may be
// split: the copies are appended and each bone weight of a split vertex is repeated for its
// copies, right after itself). Then the triangles are reordered for a
// 16-entry vertex cache and the vertices renumbered in order of first use (weights follow their
// vertex; weights of vertices no triangle uses are dropped); the reorder is kept only when the
// strip generator returns one run with every triangle. Finally the face normals are recomputed.
// Without `optimise` only a ".tbump" chunk is processed (then with every step).
// Roughly linear in the chunk's size.
#pragma once

#include <cstdint>
#include <string>

class IndexedMesh;

// Runs the step on chunk `chunk`. Returns false, changing nothing, when the tangent step would
// give the chunk more vertices than its 16-bit triangle corners can address; `vertexCount` then
// holds the count it would need.
// What the step prints (the strip generator's diagnostic lines) is appended to `printed`, or
// dropped when it is null.
bool PrepareChunkForOutput(IndexedMesh& mesh, uint32_t chunk, bool optimise, uint32_t& vertexCount,
                           std::string* printed);
