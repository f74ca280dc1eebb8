// The strip generator: vertex-cache order for a triangle list.
//
// MakeIndexRuns grows triangle strips over the mesh's edge adjacency, cuts them
// into cache-sized pieces and orders the pieces by simulated cache hits. In
// lists-only mode (the only mode built) the result is one run of kind 0: the
// kept triangles, each with its own vertex order, in the new order. Triangles
// with two equal indices and exact repeats (same three indices in the same
// order) are dropped, so the run can be shorter than the input.
//
// Usage (per-chunk reorder step of the mesh writer):
//
//   SetStripCacheSize(16); SetStripStitching(true);
//   SetStripMinLength(0);  SetStripListsOnly(true);
//   std::vector<IndexRun> runs, renumbered;
//   if (MakeIndexRuns(indices, runs, false) &&
//       RenumberRunVertices(runs, vertexCount, renumbered) &&
//       renumbered.size() == 1 && renumbered[0].indexCount == indices.size()) {
//     // runs[0].indices[k] is the old vertex of position k,
//     // renumbered[0].indices[k] its new number (numbered by first use).
//   }
//
// The options are process-wide and persist between calls; the generator is not
// re-entrant. Two diagnostic lines may be printed on standard output (a third
// triangle on one edge, a derailed strip); processing goes on.
//
// Cost: roughly linear in the triangle count (edge lists per vertex, hashed
// repeat test); memory linear in the largest index and the triangle count.
#pragma once

#include <cstdint>
#include <vector>

// One output primitive group.
struct IndexRun {
    uint32_t kind = 1;  // 0 triangle list, 1 triangle strip
    uint32_t indexCount = 0;
    std::vector<uint16_t> indices;
};

// Option setters: each only stores its value (defaults 24, true, 0, false).
void SetStripCacheSize(int cacheSize);
void SetStripStitching(bool stitch);
void SetStripMinLength(unsigned int minLength);
void SetStripListsOnly(bool listsOnly);

// Reorders the triangle list `indices` (three per triangle; a trailing partial
// triangle is ignored). `runs` receives one list run. With `validate` set, the
// result is false when an output triangle is not an input triangle in some
// rotation. Also false, with no runs, when lists-only mode is off: strip output
// is not supported.
bool MakeIndexRuns(const std::vector<uint16_t>& indices, std::vector<IndexRun>& runs,
                   bool validate);

// Numbers the vertices 0, 1, 2, ... in order of first appearance across all
// runs; same kinds and counts. Returns false, with `renumbered` empty, when an
// index is not below vertexCount.
bool RenumberRunVertices(const std::vector<IndexRun>& runs, uint32_t vertexCount,
                         std::vector<IndexRun>& renumbered);
