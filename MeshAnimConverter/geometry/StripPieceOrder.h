// Drawing order of the strip pieces for a FIFO vertex cache.
//
// OrderPieces starts from the piece with the fewest edge neighbours per
// triangle and repeatedly takes, among the unvisited pieces sharing a vertex
// with the last one, the one with the best cache hit ratio (cached corner uses
// over its triangle count), breaking ties by winding; with no such piece, the
// first unvisited one. Cost: linear in the corners times the vertex valence,
// over flat tables (corners per piece, pieces per vertex, a flag per cached
// vertex) with each piece's hit count kept up to date as vertices enter and
// leave the cache.
#pragma once

#include <vector>

#include "MeshAnimConverter/geometry/StripifyInfo.h"

struct StripPiece {
    std::vector<int> tris;
};

// Returns the pieces in drawing order.
std::vector<StripPiece> OrderPieces(std::vector<StripPiece> pieces, const StripifyInfo& info,
                                    int cacheSize);

// Whether the piece's first triangle runs in the winding its neighbours imply.
bool WindingTest(const StripPiece& piece, const StripifyInfo& info);
