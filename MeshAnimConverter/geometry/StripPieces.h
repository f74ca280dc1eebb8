// Cutting strips into cache-sized pieces, and the order of the loose
// triangles for a FIFO vertex cache.
//
// SplitStrips cuts each strip into pieces of `pieceLength` non-degenerate
// triangles (a short remainder of up to 3 joins the last piece). Pieces shorter
// than the minimum strip length become loose triangles, which
// OrderLooseTriangles orders greedily by cached vertices; the pieces are
// ordered by OrderPieces (StripPieceOrder.h). Cost: linear in the triangles
// times the cache size.
#pragma once

#include <vector>

#include "MeshAnimConverter/geometry/StripPieceOrder.h"
#include "MeshAnimConverter/geometry/StripifyInfo.h"
#include "MeshAnimConverter/geometry/Stripper.h"

std::vector<StripPiece> SplitStrips(const std::vector<Strip>& strips, const StripifyInfo& info,
                                    int pieceLength);

// Moves the triangles of pieces shorter than minLength to `loose`, in order.
void DropShortPieces(std::vector<StripPiece>& pieces, unsigned minLength, std::vector<int>& loose);

// Greedy cache order of the loose triangles: most cached vertices, first on ties.
std::vector<int> OrderLooseTriangles(const std::vector<int>& loose, const StripifyInfo& info,
                                     int cacheSize);
