// Splitting strips into pieces and ordering the loose triangles.
#include "MeshAnimConverter/geometry/StripPieces.h"

#include <algorithm>
#include <set>

#include "MeshAnimConverter/geometry/FifoCache.h"

namespace {

constexpr int kMaxScore = 3;

int CountNonDegenerate(const std::vector<int>& tris, const StripifyInfo& info) {
    int n = 0;
    for (int t : tris) n += info.tris[t].IsDegenerate() ? 0 : 1;
    return n;
}

}  // namespace

// ---------------------------------------------------------------------------
// Splitting

std::vector<StripPiece> SplitStrips(const std::vector<Strip>& strips, const StripifyInfo& info,
                                    int pieceLength) {
    std::vector<StripPiece> pieces;
    const size_t t = static_cast<size_t>(pieceLength < 1 ? 1 : pieceLength);
    for (const Strip& strip : strips) {
        const std::vector<int>& tris = strip.tris;
        const size_t n = static_cast<size_t>(CountNonDegenerate(tris, info));
        if (n <= t) {
            pieces.push_back(StripPiece{tris});
            continue;
        }
        const size_t k = n / t;
        size_t m = n % t;
        size_t d = 0;  // degenerate triangles met so far: each pushes the piece ends back
        size_t pos = 0;
        for (size_t j = 0; j < k; ++j) {
            StripPiece piece;
            bool hasReal = false;
            for (pos = j * t + d; pos < (j + 1) * t + d && pos < tris.size(); ++pos) {
                if (info.tris[tris[pos]].IsDegenerate()) {
                    ++d;
                    if (hasReal)
                        piece.tris.push_back(tris[pos]);  // never lead a piece with one
                } else {
                    piece.tris.push_back(tris[pos]);
                    hasReal = true;
                }
            }
            if (j + 1 == k && m >= 1 && m <= 3) {
                // a short remainder joins the last piece
                for (size_t added = 0; added < m && pos < tris.size(); ++pos) {
                    piece.tris.push_back(tris[pos]);
                    if (info.tris[tris[pos]].IsDegenerate()) {
                        ++d;
                    } else {
                        ++added;
                    }
                }
                m = 0;
            }
            pieces.push_back(std::move(piece));
        }
        if (m > 0) {
            StripPiece piece;
            bool hasReal = false;
            size_t taken = 0;
            for (pos = k * t + d; taken < m && pos < tris.size(); ++pos) {
                if (info.tris[tris[pos]].IsDegenerate()) {
                    if (hasReal)
                        piece.tris.push_back(tris[pos]);
                } else {
                    piece.tris.push_back(tris[pos]);
                    hasReal = true;
                    ++taken;
                }
            }
            pieces.push_back(std::move(piece));
        }
    }
    return pieces;
}

void DropShortPieces(std::vector<StripPiece>& pieces, unsigned minLength, std::vector<int>& loose) {
    std::vector<StripPiece> kept;
    for (StripPiece& piece : pieces) {
        if (piece.tris.size() < minLength) {
            loose.insert(loose.end(), piece.tris.begin(), piece.tris.end());
        } else {
            kept.push_back(std::move(piece));
        }
    }
    pieces = std::move(kept);
}

// ---------------------------------------------------------------------------
// Loose triangles

// Same choice as rescanning every loose triangle each step, kept incremental:
// each triangle's cached-vertex count is updated when a vertex enters or
// leaves the cache, and per count the untaken triangles are kept in order.
std::vector<int> OrderLooseTriangles(const std::vector<int>& loose, const StripifyInfo& info,
                                     int cacheSize) {
    std::vector<int> order;
    order.reserve(loose.size());
    std::vector<std::vector<int>> byVertex(info.edgeHeads.size());
    for (size_t i = 0; i < loose.size(); ++i) {
        const StripTri& tri = info.tris[loose[i]];
        for (int v : {tri.c0, tri.c1, tri.c2}) byVertex[v].push_back(static_cast<int>(i));
    }
    std::vector<int> score(loose.size(), 0);
    std::vector<bool> taken(loose.size(), false);
    std::set<int> byScore[kMaxScore + 1];
    for (size_t i = 0; i < loose.size(); ++i) byScore[0].insert(static_cast<int>(i));

    auto shift = [&](int vertex, int delta) {
        if (vertex < 0)
            return;
        for (int i : byVertex[vertex]) {
            if (taken[i])
                continue;
            byScore[score[i]].erase(i);
            score[i] += delta;
            byScore[score[i]].insert(i);
        }
    };

    FifoCache cache(cacheSize);
    for (size_t step = 0; step < loose.size(); ++step) {
        int pick = -1;
        for (int s = kMaxScore; s >= 0 && pick < 0; --s) {
            if (!byScore[s].empty())
                pick = *byScore[s].begin();
        }
        taken[pick] = true;
        byScore[score[pick]].erase(pick);
        const StripTri& tri = info.tris[loose[pick]];
        for (int v : {tri.c0, tri.c1, tri.c2}) {
            if (cache.InCache(v))
                continue;
            const int dropped = cache.AddEntry(v);
            shift(v, +1);
            shift(dropped, -1);
        }
        order.push_back(loose[pick]);
    }
    return order;
}
