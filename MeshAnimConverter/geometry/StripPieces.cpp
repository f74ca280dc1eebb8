// Splitting strips into pieces and ordering pieces and loose triangles.
#include "MeshAnimConverter/geometry/StripPieces.h"

#include <algorithm>
#include <cstdint>
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
        if (static_cast<size_t>(t) < info.numTableTris) {
            const int* across = &info.neighbours[static_cast<size_t>(t) * 3];
            sum += (across[0] >= 0 ? 1 : 0) + (across[1] >= 0 ? 1 : 0) + (across[2] >= 0 ? 1 : 0);
            continue;
        }
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
    const size_t numPieces = pieces.size();
    const size_t numVertices = info.edgeHeads.size();

    // the corners of each piece's triangles, piece after piece
    std::vector<uint32_t> cornerBegin(numPieces + 1, 0);
    std::vector<int> corners;
    for (size_t i = 0; i < numPieces; ++i) {
        for (int t : pieces[i].tris) {
            const StripTri& tri = info.tris[t];
            corners.insert(corners.end(), {tri.c0, tri.c1, tri.c2});
        }
        cornerBegin[i + 1] = static_cast<uint32_t>(corners.size());
    }

    // vertex -> pieces using it, each once, in piece order, with the number of
    // corners of the piece at that vertex (one flat table, rows by vertex)
    struct Use {
        int piece;
        int corners;
    };
    std::vector<uint32_t> useBegin(numVertices + 1, 0);
    std::vector<int> lastPiece(numVertices, -1);
    for (size_t i = 0; i < numPieces; ++i) {
        for (uint32_t k = cornerBegin[i]; k < cornerBegin[i + 1]; ++k) {
            const int v = corners[k];
            if (lastPiece[v] != static_cast<int>(i)) {
                lastPiece[v] = static_cast<int>(i);
                ++useBegin[v + 1];
            }
        }
    }
    for (size_t v = 0; v < numVertices; ++v) useBegin[v + 1] += useBegin[v];
    std::vector<Use> uses(useBegin[numVertices]);
    std::vector<uint32_t> useEnd(useBegin.begin(), useBegin.end() - 1);
    for (size_t i = 0; i < numPieces; ++i) {
        for (uint32_t k = cornerBegin[i]; k < cornerBegin[i + 1]; ++k) {
            const int v = corners[k];
            if (useEnd[v] > useBegin[v] && uses[useEnd[v] - 1].piece == static_cast<int>(i)) {
                ++uses[useEnd[v] - 1].corners;
            } else {
                uses[useEnd[v]++] = {static_cast<int>(i), 1};
            }
        }
    }

    // first: the piece with the fewest neighbours per triangle
    int first = 0;
    float minimum = kStartMinimum;
    for (size_t i = 0; i < numPieces; ++i) {
        const float average = static_cast<float>(CountNeighbours(pieces[i], info)) /
                              static_cast<float>(pieces[i].tris.size());
        if (average < minimum) {
            minimum = average;
            first = static_cast<int>(i);
        }
    }

    // The FIFO cache as a ring with a flag per vertex: adding an absent vertex
    // overwrites the oldest entry, which is the one a shifting FIFO drops.
    // hits[p]: cached vertex uses over p's triangles, kept up to date as
    // vertices enter and leave the cache (the same count as rescanning p).
    const size_t ringSize = static_cast<size_t>(std::max(cacheSize, 1));
    std::vector<int> ring(ringSize, -1);
    size_t oldest = 0;
    std::vector<uint8_t> cached(numVertices, 0);
    std::vector<int> hits(numPieces, 0);
    auto shift = [&](int vertex, int sign) {
        for (uint32_t u = useBegin[vertex]; u < useBegin[vertex + 1]; ++u) {
            hits[uses[u].piece] += sign * uses[u].corners;
        }
    };
    auto addPiece = [&](size_t piece) {
        for (uint32_t k = cornerBegin[piece]; k < cornerBegin[piece + 1]; ++k) {
            const int v = corners[k];
            if (cached[v] != 0)
                continue;
            const int dropped = ring[oldest];
            ring[oldest] = v;
            oldest = oldest + 1 == ringSize ? 0 : oldest + 1;
            cached[v] = 1;
            shift(v, +1);
            if (dropped >= 0) {
                cached[dropped] = 0;
                shift(dropped, -1);
            }
        }
    };

    std::vector<int> order;
    order.reserve(numPieces);
    std::vector<uint8_t> visited(numPieces, 0);
    std::vector<unsigned> seen(numPieces, 0);
    std::vector<unsigned> vertexSeen(numVertices, 0);
    unsigned seenStamp = 0;
    std::vector<int> candidates;
    size_t firstUnvisited = 0;
    int chosen = first;
    bool wanted = pieces[first].tris.size() % 2 == 0;
    while (true) {
        visited[chosen] = 1;
        addPiece(static_cast<size_t>(chosen));
        order.push_back(chosen);
        if (chosen != first && pieces[chosen].tris.size() % 2 == 1)
            wanted = !wanted;

        // candidates: pieces sharing a vertex with the piece just output (a vertex
        // met again adds no new piece, so it is expanded once)
        ++seenStamp;
        candidates.clear();
        for (uint32_t k = cornerBegin[chosen]; k < cornerBegin[chosen + 1]; ++k) {
            const int v = corners[k];
            if (vertexSeen[v] == seenStamp)
                continue;
            vertexSeen[v] = seenStamp;
            for (uint32_t u = useBegin[v]; u < useBegin[v + 1]; ++u) {
                const int p = uses[u].piece;
                if (seen[p] == seenStamp)
                    continue;
                seen[p] = seenStamp;
                if (visited[p] == 0)
                    candidates.push_back(p);
            }
        }

        int best = -1;
        float bestRatio = -1.0f;
        for (int p : candidates) {
            const float ratio =
                static_cast<float>(hits[p]) / static_cast<float>(pieces[p].tris.size());
            if (ratio > bestRatio) {
                best = p;
                bestRatio = ratio;
            } else if (ratio == bestRatio && WindingTest(pieces[p], info) == wanted) {
                best = p;
            }
        }
        if (best < 0) {
            while (firstUnvisited < numPieces && visited[firstUnvisited] != 0) ++firstUnvisited;
            if (firstUnvisited == numPieces)
                break;
            best = static_cast<int>(firstUnvisited);
        }
        chosen = best;
    }

    ordered.reserve(order.size());
    for (int p : order) ordered.push_back(std::move(pieces[p]));
    return ordered;
}
