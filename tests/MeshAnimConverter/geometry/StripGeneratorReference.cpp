// The plain strip generator: every step as the procedure states it, with no
// index, cache or incremental count, so that it can be checked by reading.
#include "tests/MeshAnimConverter/geometry/StripGeneratorReference.h"

#include <algorithm>
#include <utility>

namespace stripref {
namespace {

constexpr int kSeedsPerPass = 10;

struct Tri {
    int c0 = 0;
    int c1 = 0;
    int c2 = 0;
    int stripId = -1;
    int trialStripId = -1;
    int trialId = -1;
};

struct Edge {
    int first = -1;
    int second = -1;
    int endA = 0;
    int endB = 0;
    int nextA = -1;
    int nextB = -1;
};

struct Strip {
    int startTri = -1;
    int startEdge = -1;
    bool direction = true;
    std::vector<int> tris;
    int stripId = -1;
    int trialId = -1;
    int degenerates = 0;
};

bool Degenerate(const Tri& t) {
    return t.c0 == t.c1 || t.c1 == t.c2 || t.c2 == t.c0;
}

bool HasVertex(const Tri& t, int v) {
    return t.c0 == v || t.c1 == v || t.c2 == v;
}

// A FIFO of the last N distinct vertices, newest first.
class Fifo {
public:
    explicit Fifo(int size) : m_entries(static_cast<size_t>(size), -1) {}
    bool Has(int v) const {
        return std::find(m_entries.begin(), m_entries.end(), v) != m_entries.end();
    }
    void Add(int v) {
        if (Has(v))
            return;
        for (size_t i = m_entries.size() - 1; i > 0; --i) m_entries[i] = m_entries[i - 1];
        m_entries[0] = v;
    }
    int Count(const Tri& t) const {
        return (Has(t.c0) ? 1 : 0) + (Has(t.c1) ? 1 : 0) + (Has(t.c2) ? 1 : 0);
    }
    void Add(const Tri& t) {
        Add(t.c0);
        Add(t.c1);
        Add(t.c2);
    }

private:
    std::vector<int> m_entries;
};

class Generator {
public:
    Generator(const StripOptions& options, std::string* diagnostics)
        : m_options(options), m_diagnostics(diagnostics) {}

    std::vector<uint16_t> Run(const std::vector<uint16_t>& indices);

private:
    void Say(const char* text) {
        if (m_diagnostics != nullptr)
            m_diagnostics->append(text);
    }

    int FindEdge(int a, int b) const;
    int OtherTri(int a, int b, int tri) const;
    int OtherTriOfEdge(int edge, int tri) const;
    void Build(const std::vector<uint16_t>& indices, int maxIndex);
    int GetNextIndex(const std::vector<int>& list, const Tri& tri);
    int FindSeed();
    bool Taken(int tri, const Strip& s) const;
    bool InStrip(int tri, const Strip& s) const;
    void Mark(int tri, const Strip& s);
    void Grow(Strip& s);
    bool Unique(const Tri& tri, const std::vector<int>& set) const;
    bool Continuation(const Strip& s, Strip& next) const;
    std::vector<Strip> FindStrips();
    std::vector<std::vector<int>> Split(const std::vector<Strip>& strips) const;
    std::vector<int> OrderLoose(const std::vector<int>& loose) const;
    std::vector<std::vector<int>> OrderPieces(const std::vector<std::vector<int>>& pieces) const;
    bool Winding(const std::vector<int>& piece) const;

    StripOptions m_options;
    std::string* m_diagnostics;
    int m_cacheSize = 1;
    std::vector<Tri> m_tris;  // the table, then every fake triangle ever made
    int m_tableCount = 0;
    std::vector<Edge> m_edges;
    std::vector<int> m_heads;
    float m_jump = 0.0f;
    bool m_firstSeed = true;
    int m_trialCounter = 0;
    int m_stripCounter = 0;
};

// ---------------------------------------------------------------------------
// Tables

int Generator::FindEdge(int a, int b) const {
    if (a < 0 || static_cast<size_t>(a) >= m_heads.size())
        return -1;
    for (int e = m_heads[a]; e >= 0;) {
        const Edge& edge = m_edges[e];
        if (edge.endA == a) {
            if (edge.endB == b)
                return e;
            e = edge.nextA;
        } else {
            if (edge.endA == b)
                return e;
            e = edge.nextB;
        }
    }
    return -1;
}

int Generator::OtherTriOfEdge(int edge, int tri) const {
    return m_edges[edge].first != tri ? m_edges[edge].first : m_edges[edge].second;
}

int Generator::OtherTri(int a, int b, int tri) const {
    const int e = FindEdge(a, b);
    return e < 0 ? -1 : OtherTriOfEdge(e, tri);
}

void Generator::Build(const std::vector<uint16_t>& indices, int maxIndex) {
    m_heads.assign(static_cast<size_t>(maxIndex) + 1, -1);
    for (size_t i = 0; i + 2 < indices.size(); i += 3) {
        const int v[3] = {indices[i], indices[i + 1], indices[i + 2]};
        if (v[0] == v[1] || v[1] == v[2] || v[2] == v[0])
            continue;
        const int t = static_cast<int>(m_tris.size());
        int linked[3] = {-1, -1, -1};
        bool allExisted = true;
        for (int k = 0; k < 3; ++k) {
            const int a = v[k];
            const int b = v[(k + 1) % 3];
            const int e = FindEdge(a, b);
            if (e >= 0) {
                if (m_edges[e].second >= 0) {
                    Say("BuildStripifyInfo: > 2 triangles on an edge... uncertain consequences\n");
                } else {
                    m_edges[e].second = t;
                    linked[k] = e;
                }
                continue;
            }
            allExisted = false;
            Edge created;
            created.first = t;
            created.endA = a;
            created.endB = b;
            created.nextA = m_heads[a];
            created.nextB = m_heads[b];
            m_heads[a] = m_heads[b] = static_cast<int>(m_edges.size());
            m_edges.push_back(created);
        }
        bool duplicate = false;
        if (allExisted) {
            for (const Tri& kept : m_tris) {
                if (kept.c0 == v[0] && kept.c1 == v[1] && kept.c2 == v[2])
                    duplicate = true;
            }
        }
        if (duplicate) {
            for (int e : linked) {
                if (e >= 0)
                    m_edges[e].second = -1;
            }
            continue;
        }
        Tri tri;
        tri.c0 = v[0];
        tri.c1 = v[1];
        tri.c2 = v[2];
        m_tris.push_back(tri);
    }
    m_tableCount = static_cast<int>(m_tris.size());
}

int Generator::GetNextIndex(const std::vector<int>& list, const Tri& tri) {
    const int a = list[list.size() - 2];
    const int b = list[list.size() - 1];
    const int v[3] = {tri.c0, tri.c1, tri.c2};
    for (int i = 0; i < 3; ++i) {
        if (v[i] == a || v[i] == b)
            continue;
        for (int o : {v[(i + 1) % 3], v[(i + 2) % 3]}) {
            if (o != a && o != b) {
                Say("GetNextIndex: Triangle doesn't have all of its vertices\n");
                Say("GetNextIndex: Duplicate triangle probably got us derailed\n");
                break;
            }
        }
        return v[i];
    }
    if (tri.c0 == tri.c1 || tri.c0 == tri.c2)
        return tri.c0;
    if (tri.c1 == tri.c2)
        return tri.c1;
    return -1;
}

// ---------------------------------------------------------------------------
// Strip search

int Generator::FindSeed() {
    const int count = m_tableCount;
    int seed = -1;
    if (m_firstSeed) {
        int best = 0;
        for (int i = 0; i < count; ++i) {
            const Tri& t = m_tris[i];
            const int open = (OtherTri(t.c0, t.c1, i) < 0 ? 1 : 0) +
                             (OtherTri(t.c1, t.c2, i) < 0 ? 1 : 0) +
                             (OtherTri(t.c2, t.c0, i) < 0 ? 1 : 0);
            if (open > best) {
                best = open;
                seed = i;
            }
        }
        m_firstSeed = false;
    }
    if (seed < 0 && count > 0) {
        const int start = static_cast<int>(static_cast<float>(count - 1) * m_jump);
        int i = start;
        do {
            if (m_tris[i].stripId < 0) {
                seed = i;
                break;
            }
            i = (i + 1) % count;
        } while (i != start);
    }
    m_jump += 0.1f;
    if (m_jump > 1.0f)
        m_jump = 0.05f;
    return seed;
}

bool Generator::Taken(int tri, const Strip& s) const {
    return m_tris[tri].stripId >= 0 || m_tris[tri].trialId == s.trialId;
}

bool Generator::InStrip(int tri, const Strip& s) const {
    return m_tris[tri].trialStripId == s.stripId;
}

void Generator::Mark(int tri, const Strip& s) {
    m_tris[tri].trialId = s.trialId;
    m_tris[tri].trialStripId = s.stripId;
}

bool Generator::Unique(const Tri& tri, const std::vector<int>& set) const {
    int found = 0;
    for (int v : {tri.c0, tri.c1, tri.c2}) {
        for (int t : set) {
            if (HasVertex(m_tris[t], v)) {
                ++found;
                break;
            }
        }
    }
    return found < 3;
}

void Generator::Grow(Strip& s) {
    const Edge& edge = m_edges[s.startEdge];
    const int x = s.direction ? edge.endA : edge.endB;
    const int y = s.direction ? edge.endB : edge.endA;
    std::vector<int> scratch = {x, y};
    const int z = GetNextIndex(scratch, m_tris[s.startTri]);
    std::vector<int> forward = {s.startTri};
    Mark(s.startTri, s);
    scratch = {x, y, z};

    // one direction of growth; `all` is the set for the uniqueness test (null: no test)
    auto walk = [&](int p, int q, std::vector<int>& out, std::vector<int>* all) {
        int prev = s.startTri;
        int t = OtherTri(p, q, prev);
        while (t >= 0 && !Taken(t, s) && (all == nullptr || Unique(m_tris[t], *all))) {
            const Tri tri = m_tris[t];
            const int r = GetNextIndex(scratch, tri);
            int keep = q;
            const int overQR = OtherTri(q, r, t);
            const int overPR = OtherTri(p, r, t);
            if ((overQR < 0 || Taken(overQR, s)) && overPR >= 0 && !Taken(overPR, s)) {
                Tri fake;
                fake.c0 = p;
                fake.c1 = q;
                fake.c2 = p;
                m_tris.push_back(fake);
                const int f = static_cast<int>(m_tris.size()) - 1;
                out.push_back(f);
                Mark(f, s);
                scratch.push_back(p);
                keep = p;
                ++s.degenerates;
            }
            out.push_back(t);
            Mark(t, s);
            if (all != nullptr)
                all->push_back(t);
            scratch.push_back(r);
            p = keep;
            q = r;
            prev = t;
            t = OtherTri(p, q, prev);
        }
    };
    walk(y, z, forward, nullptr);

    std::vector<int> backward;
    std::vector<int> all = forward;
    scratch = {z, y, x};
    walk(y, x, backward, &all);

    s.tris.assign(backward.rbegin(), backward.rend());
    s.tris.insert(s.tris.end(), forward.begin(), forward.end());
}

bool Generator::Continuation(const Strip& s, Strip& next) const {
    const Edge& start = m_edges[s.startEdge];
    const int w = s.direction ? start.endB : start.endA;
    for (int e = m_heads[w]; e >= 0;
         e = m_edges[e].endA == w ? m_edges[e].nextA : m_edges[e].nextB) {
        const int a = m_edges[e].first;
        const int b = m_edges[e].second;
        int tri = -1;
        if (a >= 0 && !InStrip(a, s) && b >= 0 && !Taken(b, s)) {
            tri = b;
        } else if (b >= 0 && !InStrip(b, s) && a >= 0 && !Taken(a, s)) {
            tri = a;
        } else {
            continue;
        }
        const Tri& t = m_tris[tri];
        bool shares = false;
        for (const auto& [u, v] :
             {std::pair{t.c0, t.c1}, std::pair{t.c1, t.c2}, std::pair{t.c2, t.c0}}) {
            const int f = FindEdge(u, v);
            if (f < 0)
                continue;
            const int first = m_edges[f].first;
            const int second = m_edges[f].second;
            if ((first >= 0 && InStrip(first, s)) || (second >= 0 && InStrip(second, s)))
                shares = true;
        }
        next = Strip();
        next.startTri = tri;
        next.startEdge = e;
        next.direction = shares ? m_edges[e].endA == w : m_edges[e].endB == w;
        return true;
    }
    return false;
}

std::vector<Strip> Generator::FindStrips() {
    m_jump = 0.0f;
    m_firstSeed = true;
    std::vector<Strip> adopted;
    bool lastPass = false;
    while (!lastPass) {
        std::vector<std::vector<Strip>> trials;
        std::vector<int> seeds;
        for (int i = 0; i < kSeedsPerPass; ++i) {
            const int seed = FindSeed();
            if (seed < 0) {
                lastPass = true;
                break;
            }
            if (std::find(seeds.begin(), seeds.end(), seed) != seeds.end())
                continue;
            seeds.push_back(seed);
            const Tri t = m_tris[seed];
            for (const auto& [u, v] :
                 {std::pair{t.c0, t.c1}, std::pair{t.c1, t.c2}, std::pair{t.c2, t.c0}}) {
                for (bool direction : {true, false}) {
                    Strip s;
                    s.startTri = seed;
                    s.startEdge = FindEdge(u, v);
                    s.direction = direction;
                    s.stripId = m_stripCounter++;
                    s.trialId = m_trialCounter++;
                    trials.push_back({s});
                }
            }
        }

        for (std::vector<Strip>& trial : trials) {
            Grow(trial[0]);
            Strip next;
            while (Continuation(trial.back(), next)) {
                next.stripId = m_stripCounter++;
                next.trialId = trial[0].trialId;
                Grow(next);
                trial.push_back(next);
            }
        }

        int best = -1;
        float bestValue = 0.0f;
        for (size_t i = 0; i < trials.size(); ++i) {
            float total = 0.0f;
            for (const Strip& s : trials[i])
                total += static_cast<float>(static_cast<int>(s.tris.size()) - s.degenerates);
            const float value = total / static_cast<float>(trials[i].size());
            if (value > bestValue) {
                bestValue = value;
                best = static_cast<int>(i);
            }
        }
        if (best < 0)
            continue;
        for (Strip& s : trials[best]) {
            s.trialId = -1;
            for (int t : s.tris) {
                m_tris[t].stripId = s.stripId;
                m_tris[t].trialId = -1;
            }
            adopted.push_back(s);
        }
    }
    return adopted;
}

// ---------------------------------------------------------------------------
// Pieces

std::vector<std::vector<int>> Generator::Split(const std::vector<Strip>& strips) const {
    std::vector<std::vector<int>> pieces;
    const size_t t = static_cast<size_t>(m_cacheSize);
    for (const Strip& strip : strips) {
        const std::vector<int>& tris = strip.tris;
        auto degenerate = [&](size_t pos) { return Degenerate(m_tris[tris[pos]]); };
        size_t n = 0;
        for (size_t i = 0; i < tris.size(); ++i) n += degenerate(i) ? 0 : 1;
        if (n <= t) {
            pieces.push_back(tris);
            continue;
        }
        const size_t k = n / t;
        size_t m = n % t;
        size_t d = 0;
        size_t pos = 0;
        for (size_t j = 0; j < k; ++j) {
            std::vector<int> piece;
            bool real = false;
            for (pos = j * t + d; pos < (j + 1) * t + d && pos < tris.size(); ++pos) {
                if (degenerate(pos)) {
                    ++d;
                    if (real)
                        piece.push_back(tris[pos]);
                } else {
                    piece.push_back(tris[pos]);
                    real = true;
                }
            }
            if (j == k - 1 && m >= 1 && m <= 3) {
                size_t appended = 0;
                for (; appended < m && pos < tris.size(); ++pos) {
                    piece.push_back(tris[pos]);
                    if (degenerate(pos)) {
                        ++d;
                    } else {
                        ++appended;
                    }
                }
                m = 0;
            }
            pieces.push_back(piece);
        }
        if (m > 0) {
            std::vector<int> piece;
            bool real = false;
            size_t taken = 0;
            for (pos = k * t + d; taken < m && pos < tris.size(); ++pos) {
                if (degenerate(pos)) {
                    if (real)
                        piece.push_back(tris[pos]);
                } else {
                    piece.push_back(tris[pos]);
                    real = true;
                    ++taken;
                }
            }
            pieces.push_back(piece);
        }
    }
    return pieces;
}

std::vector<int> Generator::OrderLoose(const std::vector<int>& loose) const {
    std::vector<int> order;
    std::vector<bool> taken(loose.size(), false);
    Fifo cache(m_cacheSize);
    for (size_t step = 0; step < loose.size(); ++step) {
        int best = -1;
        int bestCount = -1;
        for (size_t i = 0; i < loose.size(); ++i) {
            if (taken[i])
                continue;
            const int count = cache.Count(m_tris[loose[i]]);
            if (count > bestCount) {
                bestCount = count;
                best = static_cast<int>(i);
            }
        }
        taken[best] = true;
        cache.Add(m_tris[loose[best]]);
        order.push_back(loose[best]);
    }
    return order;
}

bool Generator::Winding(const std::vector<int>& piece) const {
    const Tri& f0 = m_tris[piece[0]];
    int a = f0.c0;
    int b = f0.c1;
    int c = f0.c2;
    if (piece.size() > 1) {
        const Tri& second = m_tris[piece[1]];
        if (!HasVertex(second, a)) {
            // a leads already
        } else if (!HasVertex(second, b)) {
            std::swap(a, b);
        } else if (!HasVertex(second, c)) {
            std::swap(a, c);
        }
    }
    if (piece.size() > 2) {
        const Tri& third = m_tris[piece[2]];
        int found[3];
        int count = 0;
        for (int v : {a, b, c}) {
            if (HasVertex(third, v))
                found[count++] = v;
        }
        if (count == 1 && found[0] == b)
            b = c;
    }
    if (f0.c0 == a)
        return f0.c1 == b;
    if (f0.c1 == a)
        return f0.c2 == b;
    return f0.c0 == b;
}

std::vector<std::vector<int>> Generator::OrderPieces(
    const std::vector<std::vector<int>>& pieces) const {
    std::vector<std::vector<int>> ordered;
    if (pieces.empty())
        return ordered;
    std::vector<std::vector<int>> byVertex(m_heads.size());
    for (size_t i = 0; i < pieces.size(); ++i) {
        for (int t : pieces[i]) {
            for (int v : {m_tris[t].c0, m_tris[t].c1, m_tris[t].c2}) {
                if (byVertex[v].empty() || byVertex[v].back() != static_cast<int>(i))
                    byVertex[v].push_back(static_cast<int>(i));
            }
        }
    }

    int first = 0;
    float minimum = 10000.0f;
    for (size_t i = 0; i < pieces.size(); ++i) {
        int neighbours = 0;
        for (int t : pieces[i]) {
            const Tri& tri = m_tris[t];
            neighbours += (OtherTri(tri.c0, tri.c1, t) >= 0 ? 1 : 0) +
                          (OtherTri(tri.c1, tri.c2, t) >= 0 ? 1 : 0) +
                          (OtherTri(tri.c2, tri.c0, t) >= 0 ? 1 : 0);
        }
        const float average = static_cast<float>(neighbours) / static_cast<float>(pieces[i].size());
        if (average < minimum) {
            minimum = average;
            first = static_cast<int>(i);
        }
    }

    std::vector<bool> visited(pieces.size(), false);
    Fifo cache(m_cacheSize);
    int chosen = first;
    bool wanted = pieces[first].size() % 2 == 0;
    while (true) {
        visited[chosen] = true;
        for (int t : pieces[chosen]) cache.Add(m_tris[t]);
        ordered.push_back(pieces[chosen]);
        if (chosen != first && pieces[chosen].size() % 2 == 1)
            wanted = !wanted;

        std::vector<int> candidates;
        for (int t : pieces[chosen]) {
            for (int v : {m_tris[t].c0, m_tris[t].c1, m_tris[t].c2}) {
                for (int p : byVertex[v]) {
                    if (std::find(candidates.begin(), candidates.end(), p) == candidates.end())
                        candidates.push_back(p);
                }
            }
        }
        int best = -1;
        float bestRatio = -1.0f;
        for (int p : candidates) {
            if (visited[p])
                continue;
            int hits = 0;
            for (int t : pieces[p]) hits += cache.Count(m_tris[t]);
            const float ratio = static_cast<float>(hits) / static_cast<float>(pieces[p].size());
            if (ratio > bestRatio) {
                best = p;
                bestRatio = ratio;
            } else if (ratio == bestRatio && Winding(pieces[p]) == wanted) {
                best = p;
            }
        }
        if (best < 0) {
            for (size_t i = 0; i < pieces.size() && best < 0; ++i) {
                if (!visited[i])
                    best = static_cast<int>(i);
            }
            if (best < 0)
                break;
        }
        chosen = best;
    }
    return ordered;
}

// ---------------------------------------------------------------------------
// The whole run

std::vector<uint16_t> Generator::Run(const std::vector<uint16_t>& indices) {
    const size_t used = indices.size() - indices.size() % 3;
    int maxIndex = 0;
    for (size_t i = 0; i < used; ++i) maxIndex = std::max<int>(maxIndex, indices[i]);
    m_cacheSize = std::max(1, m_options.cacheSize - 6);
    Build(
        std::vector<uint16_t>(indices.begin(), indices.begin() + static_cast<std::ptrdiff_t>(used)),
        maxIndex);

    const std::vector<std::vector<int>> pieces = Split(FindStrips());
    std::vector<std::vector<int>> kept;
    std::vector<int> loose;
    for (const std::vector<int>& piece : pieces) {
        if (piece.size() < m_options.minLength) {
            loose.insert(loose.end(), piece.begin(), piece.end());
        } else {
            kept.push_back(piece);
        }
    }
    const std::vector<int> looseOrder = OrderLoose(loose);

    std::vector<uint16_t> out;
    auto emit = [&](int t) {
        const Tri& tri = m_tris[t];
        if (Degenerate(tri))
            return;
        for (int v : {tri.c0, tri.c1, tri.c2}) out.push_back(static_cast<uint16_t>(v));
    };
    for (const std::vector<int>& piece : OrderPieces(kept)) {
        for (int t : piece) emit(t);
    }
    for (int t : looseOrder) emit(t);
    return out;
}

}  // namespace

std::vector<uint16_t> MakeList(const std::vector<uint16_t>& indices, const StripOptions& options,
                               std::string* diagnostics) {
    return Generator(options, diagnostics).Run(indices);
}

}  // namespace stripref
