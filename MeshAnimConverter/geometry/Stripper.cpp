// Strip search: seed search, trial growth with swaps, continuation, judging.
#include "MeshAnimConverter/geometry/Stripper.h"

#include <algorithm>

namespace {

constexpr int kSeedsPerPass = 10;
constexpr float kJumpStep = 0.1f;
constexpr float kJumpRestart = 0.05f;

// A trial's set-up, and where its strips lie once grown.
struct Trial {
    int id = -1;
    int seed = -1;
    int startEdge = -1;
    bool direction = true;
    int firstStripId = -1;
    size_t firstStrip = 0;
    size_t numStrips = 0;
};

}  // namespace

Stripper::Stripper(StripifyInfo& info, bool liveEdges) : info_(info), liveEdges_(liveEdges) {
    next_.resize(info_.numTableTris + 1);
    for (size_t i = 0; i < next_.size(); ++i) next_[i] = static_cast<int>(i);
    vertexStamp_.assign(info_.edgeHeads.size(), 0);

    // live edge lists: the edge lists without edges that have one triangle
    liveHead_.assign(info_.edgeHeads.size(), -1);
    liveNext_.assign(info_.edges.size() * 2, -1);
    livePrev_.assign(info_.edges.size() * 2, -1);
    for (size_t v = 0; v < info_.edgeHeads.size(); ++v) {
        const int vertex = static_cast<int>(v);
        int last = -1;
        for (int e = info_.edgeHeads[v]; e >= 0; e = info_.NextEdge(e, vertex)) {
            if (info_.edges[e].secondTri < 0)
                continue;
            const int link = 2 * e + (info_.edges[e].endA == vertex ? 0 : 1);
            if (last < 0) {
                liveHead_[v] = link;
            } else {
                liveNext_[last] = link;
            }
            livePrev_[link] = last;
            last = link;
        }
    }
}

// ---------------------------------------------------------------------------
// Triangle state

bool Stripper::IsTaken(int tri, const TrialStrip& s) const {
    const StripTri& t = info_.tris[tri];
    return t.stripId >= 0 || t.trialId == s.trialId;
}

bool Stripper::IsInStrip(int tri, const TrialStrip& s) const {
    return info_.tris[tri].trialStripId == s.stripId;
}

void Stripper::Mark(int tri, const TrialStrip& s) {
    StripTri& t = info_.tris[tri];
    t.trialId = s.trialId;
    t.trialStripId = s.stripId;
}

int Stripper::MakeFake(int p, int q) {
    StripTri fake;
    fake.c0 = p;
    fake.c1 = q;
    fake.c2 = p;
    fake.fake = true;
    info_.tris.push_back(fake);
    return static_cast<int>(info_.tris.size() - 1);
}

// ---------------------------------------------------------------------------
// Seeds

int Stripper::NextUncommitted(int from) {
    int root = from;
    while (next_[root] != root) root = next_[root];
    while (next_[from] != root) {
        const int up = next_[from];
        next_[from] = root;
        from = up;
    }
    return root;
}

void Stripper::Commit(int tri) {
    if (static_cast<size_t>(tri) >= info_.numTableTris)
        return;
    next_[tri] = tri + 1;
    const StripTri& t = info_.tris[tri];
    UnlinkIfSpent(info_.FindEdgeOf(tri, t.c0, t.c1));
    UnlinkIfSpent(info_.FindEdgeOf(tri, t.c1, t.c2));
    UnlinkIfSpent(info_.FindEdgeOf(tri, t.c2, t.c0));
}

// An edge whose two triangles are both committed can never start a
// continuation again: drop it from both vertices' live lists.
void Stripper::UnlinkIfSpent(int edge) {
    if (edge < 0)
        return;
    const StripEdge& e = info_.edges[edge];
    if (e.firstTri < 0 || e.secondTri < 0)
        return;
    if (info_.tris[e.firstTri].stripId < 0 || info_.tris[e.secondTri].stripId < 0)
        return;
    for (int side = 0; side < 2; ++side) {
        const int link = 2 * edge + side;
        const int vertex = side == 0 ? e.endA : e.endB;
        const int prev = livePrev_[link];
        const int next = liveNext_[link];
        if (prev < 0 && liveHead_[vertex] != link)
            continue;  // already unlinked
        if (prev < 0) {
            liveHead_[vertex] = next;
        } else {
            liveNext_[prev] = next;
        }
        if (next >= 0)
            livePrev_[next] = prev;
        livePrev_[link] = -1;
        liveNext_[link] = -1;
    }
}

int Stripper::FindSeed() {
    const int count = static_cast<int>(info_.numTableTris);
    int seed = -1;
    if (firstSeed_) {
        // the triangle with the most open edges, lowest position on ties
        int bestOpen = 0;
        for (int i = 0; i < count; ++i) {
            const StripTri& t = info_.tris[i];
            const int open = (info_.OtherTri(t.c0, t.c1, i) < 0 ? 1 : 0) +
                             (info_.OtherTri(t.c1, t.c2, i) < 0 ? 1 : 0) +
                             (info_.OtherTri(t.c2, t.c0, i) < 0 ? 1 : 0);
            if (open > bestOpen) {
                bestOpen = open;
                seed = i;
            }
        }
        firstSeed_ = false;
    }
    if (seed < 0 && count > 0) {
        const int start = static_cast<int>(static_cast<float>(count - 1) * jump_);
        // first uncommitted triangle from start on, wrapping once
        int found = NextUncommitted(start);
        if (found >= count) {
            found = NextUncommitted(0);
            if (found >= start)
                found = -1;
        }
        seed = found;
    }
    jump_ += kJumpStep;
    if (jump_ > 1.0f)
        jump_ = kJumpRestart;
    return seed;
}

// ---------------------------------------------------------------------------
// Growth

void Stripper::Walk(TrialStrip& s, int p, int q, std::vector<int>& out, bool unique) {
    auto inStripVertices = [&](int v) { return vertexStamp_[v] == stripStamp_; };

    int prev = s.startTri;
    int t = info_.OtherTri(p, q, prev);
    while (t >= 0 && !IsTaken(t, s)) {
        const StripTri tri = info_.tris[t];
        if (unique && inStripVertices(tri.c0) && inStripVertices(tri.c1) &&
            inStripVertices(tri.c2)) {
            break;
        }
        const int r = GetNextIndex(scratch_, tri);
        int keep = q;
        // the strip cannot go on over (q, r) but could over (p, r): turn with a swap
        const int overQR = info_.OtherTri(q, r, t);
        const int overPR = info_.OtherTri(p, r, t);
        if ((overQR < 0 || IsTaken(overQR, s)) && overPR >= 0 && !IsTaken(overPR, s)) {
            const int fake = MakeFake(p, q);
            out.push_back(fake);
            Mark(fake, s);
            scratch_.push_back(p);
            keep = p;
            ++s.numDegenerates;
        }
        out.push_back(t);
        Mark(t, s);
        vertexStamp_[tri.c0] = vertexStamp_[tri.c1] = vertexStamp_[tri.c2] = stripStamp_;
        scratch_.push_back(r);
        p = keep;
        q = r;
        prev = t;
        t = info_.OtherTri(p, q, prev);
    }
}

void Stripper::Grow(TrialStrip& s) {
    const StripEdge& edge = info_.edges[s.startEdge];
    const int x = s.direction ? edge.endA : edge.endB;
    const int y = s.direction ? edge.endB : edge.endA;
    const StripTri first = info_.tris[s.startTri];
    scratch_.assign({x, y});
    const int z = GetNextIndex(scratch_, first);

    ++stripStamp_;
    forward_.assign(1, s.startTri);
    Mark(s.startTri, s);
    vertexStamp_[first.c0] = vertexStamp_[first.c1] = vertexStamp_[first.c2] = stripStamp_;

    scratch_.push_back(z);
    Walk(s, y, z, forward_, false);

    backward_.clear();
    scratch_.assign({z, y, x});
    Walk(s, y, x, backward_, true);

    // the strip: the backward triangles reversed, then the forward ones
    s.begin = arena_.size();
    arena_.insert(arena_.end(), backward_.rbegin(), backward_.rend());
    arena_.insert(arena_.end(), forward_.begin(), forward_.end());
    s.end = arena_.size();
}

bool Stripper::FindContinuation(const TrialStrip& s, TrialStrip& next) const {
    const StripEdge& start = info_.edges[s.startEdge];
    const int w = s.direction ? start.endB : start.endA;
    // the live list holds w's edges in list order, less those that cannot match
    int link = liveEdges_ ? liveHead_[w] : -1;
    auto edgeOf = [](int l) { return l < 0 ? -1 : l / 2; };
    int e = liveEdges_ ? edgeOf(link) : info_.edgeHeads[w];
    for (; e >= 0; e = liveEdges_ ? edgeOf(link = liveNext_[link]) : info_.NextEdge(e, w)) {
        const StripEdge& edge = info_.edges[e];
        const int a = edge.firstTri;
        const int b = edge.secondTri;
        int tri = -1;
        if (a >= 0 && !IsInStrip(a, s) && b >= 0 && !IsTaken(b, s)) {
            tri = b;
        } else if (b >= 0 && !IsInStrip(b, s) && a >= 0 && !IsTaken(a, s)) {
            tri = a;
        } else {
            continue;
        }

        const StripTri& t = info_.tris[tri];
        bool sharesEdge = false;
        const int pairs[3][2] = {{t.c0, t.c1}, {t.c1, t.c2}, {t.c2, t.c0}};
        for (const auto& pair : pairs) {
            const int found = info_.FindEdgeOf(tri, pair[0], pair[1]);
            if (found < 0)
                continue;
            const StripEdge& f = info_.edges[found];
            if ((f.firstTri >= 0 && IsInStrip(f.firstTri, s)) ||
                (f.secondTri >= 0 && IsInStrip(f.secondTri, s))) {
                sharesEdge = true;
            }
        }
        next.startTri = tri;
        next.startEdge = e;
        next.direction = sharesEdge ? edge.endA == w : edge.endB == w;
        return true;
    }
    return false;
}

// ---------------------------------------------------------------------------
// Passes

std::vector<Strip> Stripper::FindStrips() {
    jump_ = 0.0f;
    firstSeed_ = true;
    std::vector<Strip> adopted;
    std::vector<Trial> trials;
    std::vector<TrialStrip> strips;
    std::vector<int> seeds;
    bool lastPass = false;
    while (!lastPass) {
        const size_t fakesFrom = info_.tris.size();

        // set up: six trials per new seed
        trials.clear();
        seeds.clear();
        for (int i = 0; i < kSeedsPerPass; ++i) {
            const int seed = FindSeed();
            if (seed < 0) {
                lastPass = true;
                break;
            }
            if (std::find(seeds.begin(), seeds.end(), seed) != seeds.end())
                continue;
            seeds.push_back(seed);
            const StripTri& t = info_.tris[seed];
            const int startEdges[3] = {info_.FindEdgeOf(seed, t.c0, t.c1),
                                       info_.FindEdgeOf(seed, t.c1, t.c2),
                                       info_.FindEdgeOf(seed, t.c2, t.c0)};
            for (int edge : startEdges) {
                for (bool direction : {true, false}) {
                    Trial trial;
                    trial.id = nextTrialId_++;
                    trial.seed = seed;
                    trial.startEdge = edge;
                    trial.direction = direction;
                    trial.firstStripId = nextStripId_++;
                    trials.push_back(trial);
                }
            }
        }

        // grow each trial, continuing next to its most recent strip
        arena_.clear();
        strips.clear();
        for (Trial& trial : trials) {
            TrialStrip s;
            s.startTri = trial.seed;
            s.startEdge = trial.startEdge;
            s.direction = trial.direction;
            s.stripId = trial.firstStripId;
            s.trialId = trial.id;
            trial.firstStrip = strips.size();
            while (true) {
                Grow(s);
                strips.push_back(s);
                TrialStrip next;
                if (!FindContinuation(strips.back(), next))
                    break;
                next.stripId = nextStripId_++;
                next.trialId = trial.id;
                s = next;
            }
            trial.numStrips = strips.size() - trial.firstStrip;
        }

        // judge: longest average strip, first one on ties
        int best = -1;
        float bestValue = 0.0f;
        for (size_t i = 0; i < trials.size(); ++i) {
            float total = 0.0f;
            for (size_t k = 0; k < trials[i].numStrips; ++k) {
                const TrialStrip& s = strips[trials[i].firstStrip + k];
                total += static_cast<float>(static_cast<int>(s.end - s.begin) - s.numDegenerates);
            }
            const float value = total / static_cast<float>(trials[i].numStrips);
            if (value > bestValue) {
                bestValue = value;
                best = static_cast<int>(i);
            }
        }
        if (best < 0) {
            info_.tris.resize(fakesFrom);
            continue;
        }

        // adopt the winner; keep only its fakes (the others go with their trials)
        std::vector<StripTri> keptFakes;
        const Trial& winner = trials[best];
        const size_t firstAdopted = adopted.size();
        for (size_t k = 0; k < winner.numStrips; ++k) {
            const TrialStrip& s = strips[winner.firstStrip + k];
            Strip strip;
            strip.startTri = s.startTri;
            strip.startEdge = s.startEdge;
            strip.direction = s.direction;
            strip.stripId = s.stripId;
            strip.trialId = -1;
            strip.numDegenerates = s.numDegenerates;
            for (size_t i = s.begin; i < s.end; ++i) {
                int tri = arena_[i];
                if (static_cast<size_t>(tri) >= fakesFrom) {
                    keptFakes.push_back(info_.tris[tri]);
                    tri = static_cast<int>(fakesFrom + keptFakes.size() - 1);
                }
                strip.tris.push_back(tri);
            }
            adopted.push_back(std::move(strip));
        }
        info_.tris.resize(fakesFrom);
        info_.tris.insert(info_.tris.end(), keptFakes.begin(), keptFakes.end());
        for (size_t k = firstAdopted; k < adopted.size(); ++k) {
            for (int tri : adopted[k].tris) {
                StripTri& t = info_.tris[tri];
                t.stripId = adopted[k].stripId;
                t.trialId = -1;
                Commit(tri);
            }
        }
    }
    return adopted;
}
