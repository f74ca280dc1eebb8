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
//   StripOptions options;
//   options.cacheSize = 16; options.stitch = true;
//   options.minLength = 0;  options.listsOnly = true;
//   std::string diagnostics;
//   std::vector<IndexRun> runs, renumbered;
//   bool ok = MakeIndexRuns(indices, options, runs, false, &diagnostics);
//   std::fputs(diagnostics.c_str(), stdout);
//   if (ok && RenumberRunVertices(runs, vertexCount, renumbered) &&
//       renumbered.size() == 1 && renumbered[0].indexCount == indices.size()) {
//     // runs[0].indices[k] is the old vertex of position k,
//     // renumbered[0].indices[k] its new number (numbered by first use).
//   }
//
// The generator keeps no state between calls: options come with each call and
// its diagnostic lines (a third triangle on one edge, a derailed strip) are
// appended to the caller's text, so calls on different threads are
// independent. Processing goes on after a diagnostic.
//
// Cost: roughly linear in the triangle count (precomputed adjacency, flat
// per-triangle state, trial results reused while nothing they read changed);
// memory linear in the largest index and the triangle count.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One output primitive group.
struct IndexRun {
    uint32_t kind = 1;  // 0 triangle list, 1 triangle strip
    uint32_t indexCount = 0;
    std::vector<uint16_t> indices;
};

// The generator's settings; the defaults are the generator's own, the mesh
// writer uses 16, true, 0, true.
struct StripOptions {
    int cacheSize = 24;
    bool stitch = true;  // only affects strip output, which is not built
    unsigned int minLength = 0;
    bool listsOnly = false;
};

// Reorders the triangle list `indices` (three per triangle; a trailing partial
// triangle is ignored). `runs` receives one list run. With `validate` set, the
// result is false when an output triangle is not an input triangle in some
// rotation. Also false, with no runs, when lists-only mode is off: strip output
// is not supported. Diagnostic lines are appended to `diagnostics` (dropped
// when it is null).
bool MakeIndexRuns(const std::vector<uint16_t>& indices, const StripOptions& options,
                   std::vector<IndexRun>& runs, bool validate, std::string* diagnostics);

// Numbers the vertices 0, 1, 2, ... in order of first appearance across all
// runs; same kinds and counts. Returns false, with `renumbered` empty, when an
// index is not below vertexCount.
bool RenumberRunVertices(const std::vector<IndexRun>& runs, uint32_t vertexCount,
                         std::vector<IndexRun>& renumbered);
