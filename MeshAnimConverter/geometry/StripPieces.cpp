// Splitting strips into pieces and ordering pieces and loose triangles.
#include "MeshAnimConverter/geometry/StripPieces.h"

#include <set>
#include <utility>

#include "MeshAnimConverter/geometry/FifoCache.h"

namespace {

constexpr float kStartMinimum = 10000.0f;
constexpr int kMaxScore = 3;

int CountNonDegenerate(const std::vector<int>& tris, const StripifyInfo& info) {
    int n = 0;
    for (int t : tris) n += info.tris[t].IsDegenerate() ? 0 : 1;
    return n;
}

// Edges of the triangle that have another triangle, summed over the piece.
int CountNeighbours(const StripPiece& piece, const StripifyInfo& info) {
    int sum = 0;
    for (int t : piece.tris) {
        const StripTri& tri = info.tris[t];
        sum += (info.OtherTri(tri.c0, tri.c1, t) >= 0 ? 1 : 0) +
               (info.OtherTri(tri.c1, tri.c2, t) >= 0 ? 1 : 0) +
               (info.OtherTri(tri.c2, tri.c0, t) >= 0 ? 1 : 0);
    }
    return sum;
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
            pieces.push_back(StripPiece{tris, false});
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

// ---------------------------------------------------------------------------
// Piece order

bool WindingTest(const StripPiece& piece, const StripifyInfo& info) {
    const StripTri& f0 = info.tris[piece.tris[0]];
    int a = f0.c0;
    int b = f0.c1;
    int c = f0.c2;
    if (piece.tris.size() > 1) {
        const StripTri& second = info.tris[piece.tris[1]];
        if (second.HasVertex(a)) {
            if (!second.HasVertex(b)) {
                std::swap(a, b);
            } else if (!second.HasVertex(c)) {
                std::swap(a, c);
            }
        }
    }
    if (piece.tris.size() > 2) {
        const StripTri& third = info.tris[piece.tris[2]];
        if (!third.HasVertex(a) && third.HasVertex(b) && !third.HasVertex(c))
            b = c;
    }
    if (f0.c0 == a)
        return f0.c1 == b;
    if (f0.c1 == a)
        return f0.c2 == b;
    return f0.c0 == b;
}

std::vector<StripPiece> OrderPieces(std::vector<StripPiece> pieces, const StripifyInfo& info,
                                    int cacheSize) {
    std::vector<StripPiece> ordered;
    if (pieces.empty())
        return ordered;

    // vertex -> pieces using it, each once, in piece order, with the number of
    // corners of the piece at that vertex
    std::vector<std::vector<std::pair<int, int>>> byVertex(info.edgeHeads.size());
    for (size_t i = 0; i < pieces.size(); ++i) {
        for (int t : pieces[i].tris) {
            const StripTri& tri = info.tris[t];
            for (int v : {tri.c0, tri.c1, tri.c2}) {
                std::vector<std::pair<int, int>>& uses = byVertex[v];
                if (!uses.empty() && uses.back().first == static_cast<int>(i)) {
                    ++uses.back().second;
                } else {
                    uses.emplace_back(static_cast<int>(i), 1);
                }
            }
        }
    }

    // first: the piece with the fewest neighbours per triangle
    int first = 0;
    float minimum = kStartMinimum;
    for (size_t i = 0; i < pieces.size(); ++i) {
        const float average = static_cast<float>(CountNeighbours(pieces[i], info)) /
                              static_cast<float>(pieces[i].tris.size());
        if (average < minimum) {
            minimum = average;
            first = static_cast<int>(i);
        }
    }

    // hits[p]: cached vertex uses over p's triangles, kept up to date as
    // vertices enter and leave the cache (the same count as rescanning p)
    FifoCache cache(cacheSize);
    std::vector<int> hits(pieces.size(), 0);
    auto shift = [&](int vertex, int sign) {
        if (vertex < 0)
            return;
        for (const auto& [p, uses] : byVertex[vertex]) hits[p] += sign * uses;
    };
    auto addPiece = [&](const StripPiece& piece) {
        for (int t : piece.tris) {
            const StripTri& tri = info.tris[t];
            for (int v : {tri.c0, tri.c1, tri.c2}) {
                if (cache.InCache(v))
                    continue;
                const int dropped = cache.AddEntry(v);
                shift(v, +1);
                shift(dropped, -1);
            }
        }
    };

    std::vector<int> order;
    order.reserve(pieces.size());
    std::vector<unsigned> seen(pieces.size(), 0);
    std::vector<unsigned> vertexSeen(byVertex.size(), 0);
    unsigned seenStamp = 0;
    std::vector<int> candidates;
    size_t firstUnvisited = 0;
    int chosen = first;
    bool wanted = pieces[first].tris.size() % 2 == 0;
    while (true) {
        StripPiece& piece = pieces[chosen];
        piece.visited = true;
        addPiece(piece);
        order.push_back(chosen);
        if (chosen != first && piece.tris.size() % 2 == 1)
            wanted = !wanted;

        // candidates: pieces sharing a vertex with the piece just output (a vertex
        // met again adds no new piece, so it is expanded once)
        ++seenStamp;
        candidates.clear();
        for (int t : piece.tris) {
            const StripTri& tri = info.tris[t];
            for (int v : {tri.c0, tri.c1, tri.c2}) {
                if (vertexSeen[v] == seenStamp)
                    continue;
                vertexSeen[v] = seenStamp;
                for (const auto& use : byVertex[v]) {
                    const int p = use.first;
                    if (seen[p] == seenStamp)
                        continue;
                    seen[p] = seenStamp;
                    if (!pieces[p].visited)
                        candidates.push_back(p);
                }
            }
        }

        int best = -1;
        float bestRatio = -1.0f;
        for (int p : candidates) {
            const StripPiece& candidate = pieces[p];
            const float ratio =
                static_cast<float>(hits[p]) / static_cast<float>(candidate.tris.size());
            if (ratio > bestRatio) {
                best = p;
                bestRatio = ratio;
            } else if (ratio == bestRatio && WindingTest(candidate, info) == wanted) {
                best = p;
            }
        }
        if (best < 0) {
            while (firstUnvisited < pieces.size() && pieces[firstUnvisited].visited)
                ++firstUnvisited;
            if (firstUnvisited == pieces.size())
                break;
            best = static_cast<int>(firstUnvisited);
        }
        chosen = best;
    }

    ordered.reserve(order.size());
    for (int p : order) ordered.push_back(std::move(pieces[p]));
    return ordered;
}
