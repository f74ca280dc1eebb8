// Cutting strips into cache-sized pieces and ordering pieces and loose
// triangles for a FIFO vertex cache.
//
// SplitStrips cuts each strip into pieces of `pieceLength` non-degenerate
// triangles (a short remainder of up to 3 joins the last piece). Pieces shorter
// than the minimum strip length become loose triangles, which
// OrderLooseTriangles orders greedily by cached vertices. OrderPieces starts
// from the piece with the fewest edge neighbours and repeatedly takes, among
// the pieces sharing a vertex with the last one, the one with the best cache hit
// ratio, breaking ties by winding. Cost: linear in the triangles times the
// cache size (loose order) or the vertex valence (piece order, over flat
// tables: corners per piece, pieces per vertex, a flag per cached vertex).
#pragma once

#include <vector>

#include "MeshAnimConverter/geometry/StripifyInfo.h"
#include "MeshAnimConverter/geometry/Stripper.h"

struct StripPiece {
    std::vector<int> tris;
};

std::vector<StripPiece> SplitStrips(const std::vector<Strip>& strips, const StripifyInfo& info,
                                    int pieceLength);

// Moves the triangles of pieces shorter than minLength to `loose`, in order.
void DropShortPieces(std::vector<StripPiece>& pieces, unsigned minLength, std::vector<int>& loose);

// Greedy cache order of the loose triangles: most cached vertices, first on ties.
std::vector<int> OrderLooseTriangles(const std::vector<int>& loose, const StripifyInfo& info,
                                     int cacheSize);

// Returns the pieces in drawing order.
std::vector<StripPiece> OrderPieces(std::vector<StripPiece> pieces, const StripifyInfo& info,
                                    int cacheSize);

// Whether the piece's first triangle runs in the winding its neighbours imply.
bool WindingTest(const StripPiece& piece, const StripifyInfo& info);
