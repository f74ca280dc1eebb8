// Drawing order of the strip pieces: the tables, the first piece, the cache
// with per-piece hit counts, the candidates and the choice among them.
#include "MeshAnimConverter/geometry/StripPieceOrder.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace {

constexpr float kStartMinimum = 10000.0f;

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

// The corners of each piece's triangles, piece after piece: piece i's run
// from corners[begin[i]] to corners[begin[i + 1]].
struct PieceCorners {
    std::vector<uint32_t> begin;
    std::vector<int> corners;
};

PieceCorners GatherCorners(const std::vector<StripPiece>& pieces, const StripifyInfo& info) {
    PieceCorners c;
    c.begin.assign(pieces.size() + 1, 0);
    for (size_t i = 0; i < pieces.size(); ++i) {
        for (int t : pieces[i].tris) {
            const StripTri& tri = info.tris[t];
            c.corners.insert(c.corners.end(), {tri.c0, tri.c1, tri.c2});
        }
        c.begin[i + 1] = static_cast<uint32_t>(c.corners.size());
    }
    return c;
}

// Per vertex, the pieces using it, each once and in piece order, with the
// number of the piece's corners at that vertex: vertex v's row runs from
// uses[begin[v]] to uses[begin[v + 1]].
struct VertexUses {
    struct Use {
        int piece;
        int corners;
    };
    std::vector<uint32_t> begin;
    std::vector<Use> uses;
};

VertexUses IndexVertexUses(const PieceCorners& c, size_t numPieces, size_t numVertices) {
    VertexUses u;
    // count the rows, then fill them
    u.begin.assign(numVertices + 1, 0);
    std::vector<int> lastPiece(numVertices, -1);
    for (size_t i = 0; i < numPieces; ++i) {
        for (uint32_t k = c.begin[i]; k < c.begin[i + 1]; ++k) {
            const int v = c.corners[k];
            if (lastPiece[v] != static_cast<int>(i)) {
                lastPiece[v] = static_cast<int>(i);
                ++u.begin[v + 1];
            }
        }
    }
    for (size_t v = 0; v < numVertices; ++v) u.begin[v + 1] += u.begin[v];
    u.uses.resize(u.begin[numVertices]);
    std::vector<uint32_t> end(u.begin.begin(), u.begin.end() - 1);
    for (size_t i = 0; i < numPieces; ++i) {
        for (uint32_t k = c.begin[i]; k < c.begin[i + 1]; ++k) {
            const int v = c.corners[k];
            if (end[v] > u.begin[v] && u.uses[end[v] - 1].piece == static_cast<int>(i)) {
                ++u.uses[end[v] - 1].corners;
            } else {
                u.uses[end[v]++] = {static_cast<int>(i), 1};
            }
        }
    }
    return u;
}

// The piece with the fewest neighbours per triangle, the first on ties.
int FewestNeighboursPiece(const std::vector<StripPiece>& pieces, const StripifyInfo& info) {
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
    return first;
}

// The FIFO cache as a ring with a flag per vertex: adding an absent vertex
// overwrites the oldest entry, which is the one a shifting FIFO drops. Each
// piece's hits (cached corner uses over its triangles) are kept up to date
// as vertices enter and leave: the same count as rescanning the piece.
class PieceCacheHits {
public:
    PieceCacheHits(int cacheSize, size_t numVertices, size_t numPieces, const VertexUses& uses)
        : m_ring(static_cast<size_t>(std::max(cacheSize, 1)), -1),
          m_cached(numVertices, 0),
          m_hits(numPieces, 0),
          m_uses(uses) {}

    void AddPiece(const PieceCorners& c, size_t piece) {
        for (uint32_t k = c.begin[piece]; k < c.begin[piece + 1]; ++k) {
            const int v = c.corners[k];
            if (m_cached[v] != 0)
                continue;
            const int dropped = m_ring[m_oldest];
            m_ring[m_oldest] = v;
            m_oldest = m_oldest + 1 == m_ring.size() ? 0 : m_oldest + 1;
            m_cached[v] = 1;
            Shift(v, +1);
            if (dropped >= 0) {
                m_cached[dropped] = 0;
                Shift(dropped, -1);
            }
        }
    }
    int Hits(int piece) const { return m_hits[piece]; }

private:
    void Shift(int vertex, int sign) {
        for (uint32_t u = m_uses.begin[vertex]; u < m_uses.begin[vertex + 1]; ++u) {
            m_hits[m_uses.uses[u].piece] += sign * m_uses.uses[u].corners;
        }
    }

    std::vector<int> m_ring;
    size_t m_oldest = 0;
    std::vector<uint8_t> m_cached;
    std::vector<int> m_hits;
    const VertexUses& m_uses;
};

// The unvisited pieces sharing a vertex with a piece, in the order met; a
// vertex or piece met again in one gathering adds nothing (per-gathering
// stamps, never cleared).
class SharingPieces {
public:
    SharingPieces(size_t numPieces, size_t numVertices)
        : m_pieceSeen(numPieces, 0), m_vertexSeen(numVertices, 0) {}

    const std::vector<int>& Gather(const PieceCorners& c, const VertexUses& u, int piece,
                                   const std::vector<uint8_t>& visited) {
        ++m_stamp;
        m_found.clear();
        for (uint32_t k = c.begin[piece]; k < c.begin[piece + 1]; ++k) {
            const int v = c.corners[k];
            if (m_vertexSeen[v] == m_stamp)
                continue;
            m_vertexSeen[v] = m_stamp;
            for (uint32_t use = u.begin[v]; use < u.begin[v + 1]; ++use) {
                const int p = u.uses[use].piece;
                if (m_pieceSeen[p] == m_stamp)
                    continue;
                m_pieceSeen[p] = m_stamp;
                if (visited[p] == 0)
                    m_found.push_back(p);
            }
        }
        return m_found;
    }

private:
    std::vector<unsigned> m_pieceSeen;
    std::vector<unsigned> m_vertexSeen;
    unsigned m_stamp = 0;
    std::vector<int> m_found;
};

// The candidate with the best hit ratio; on a tie a later one wins when its
// winding is the wanted one. -1 without candidates.
int BestCandidate(const std::vector<int>& candidates, const std::vector<StripPiece>& pieces,
                  const PieceCacheHits& cache, const StripifyInfo& info, bool wanted) {
    int best = -1;
    float bestRatio = -1.0f;
    for (int p : candidates) {
        const float ratio =
            static_cast<float>(cache.Hits(p)) / static_cast<float>(pieces[p].tris.size());
        if (ratio > bestRatio) {
            best = p;
            bestRatio = ratio;
        } else if (ratio == bestRatio && WindingTest(pieces[p], info) == wanted) {
            best = p;
        }
    }
    return best;
}

}  // namespace

// ---------------------------------------------------------------------------
// Entry points

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
    const PieceCorners corners = GatherCorners(pieces, info);
    const VertexUses uses = IndexVertexUses(corners, numPieces, numVertices);
    PieceCacheHits cache(cacheSize, numVertices, numPieces, uses);
    SharingPieces sharing(numPieces, numVertices);

    // the winding wanted of a tied candidate flips after each odd piece
    const int first = FewestNeighboursPiece(pieces, info);
    bool wanted = pieces[first].tris.size() % 2 == 0;
    std::vector<int> order;
    order.reserve(numPieces);
    std::vector<uint8_t> visited(numPieces, 0);
    size_t firstUnvisited = 0;
    int chosen = first;
    while (true) {
        visited[chosen] = 1;
        cache.AddPiece(corners, static_cast<size_t>(chosen));
        order.push_back(chosen);
        if (chosen != first && pieces[chosen].tris.size() % 2 == 1)
            wanted = !wanted;
        chosen = BestCandidate(sharing.Gather(corners, uses, chosen, visited), pieces, cache, info,
                               wanted);
        if (chosen < 0) {
            // nothing shares a vertex: the first piece not drawn yet
            while (firstUnvisited < numPieces && visited[firstUnvisited] != 0) ++firstUnvisited;
            if (firstUnvisited == numPieces)
                break;
            chosen = static_cast<int>(firstUnvisited);
        }
    }

    ordered.reserve(order.size());
    for (int p : order) ordered.push_back(std::move(pieces[p]));
    return ordered;
}
