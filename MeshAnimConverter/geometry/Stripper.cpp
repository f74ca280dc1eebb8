// Strip search: seed search, trial growth with swaps, continuation, judging,
// and the kept trial results with what each depends on.
#include "MeshAnimConverter/geometry/Stripper.h"

#include <algorithm>

namespace {

constexpr int kSeedsPerPass = 10;
constexpr int kTrialsPerSeed = 6;
constexpr float kJumpStep = 0.1f;
constexpr float kJumpRestart = 0.05f;

}  // namespace

Stripper::Stripper(StripifyInfo& info, std::string* diagnostics)
    : m_info(info), m_diagnostics(diagnostics) {
    const size_t count = m_info.numTableTris;
    m_nodes.resize(count);
    for (size_t t = 0; t < count; ++t) {
        const StripTri& tri = m_info.tris[t];
        Node& n = m_nodes[t];
        n.v[0] = static_cast<uint16_t>(tri.c0);
        n.v[1] = static_cast<uint16_t>(tri.c1);
        n.v[2] = static_cast<uint16_t>(tri.c2);
        n.dependStamp = -1;
        n.acrossSides = 0;
        for (int k = 0; k < 3; ++k) {
            n.across[k] = m_info.neighbours[t * 3 + k];
            n.acrossSides |= static_cast<uint16_t>(AcrossSide(t, k) << (3 * k));
        }
        n.owner = -1;
        n.stripMark = -1;
    }
    m_next.resize(count + 1);
    for (size_t i = 0; i < m_next.size(); ++i) m_next[i] = static_cast<int>(i);
    m_vertexStamp.assign(m_info.edgeHeads.size(), 0);
    m_seedSlots.assign(count, -1);
    m_twin.Resize(count, m_info.edgeHeads.size());
    m_dependHead.assign(count, -1);

    // live edge lists: the edge lists without edges that have one triangle
    m_liveHead.assign(m_info.edgeHeads.size(), -1);
    m_liveNext.assign(m_info.edges.size() * 2, -1);
    m_livePrev.assign(m_info.edges.size() * 2, -1);
    for (size_t v = 0; v < m_info.edgeHeads.size(); ++v) {
        const int vertex = static_cast<int>(v);
        int last = -1;
        for (int e = m_info.edgeHeads[v]; e >= 0; e = m_info.NextEdge(e, vertex)) {
            if (m_info.edges[e].secondTri < 0)
                continue;
            const int link = 2 * e + (m_info.edges[e].endA == vertex ? 0 : 1);
            if (last < 0) {
                m_liveHead[v] = link;
            } else {
                m_liveNext[last] = link;
            }
            m_livePrev[link] = last;
            last = link;
        }
    }
}

// ---------------------------------------------------------------------------
// Triangle state

// The side of the triangle across side k of table triangle t that is the same
// edge (its triangles are the ones that have that edge), plus 4 when it
// starts at the same corner.
int Stripper::AcrossSide(size_t t, int k) const {
    const StripTri& tri = m_info.tris[t];
    const int corners[3] = {tri.c0, tri.c1, tri.c2};
    const int a = corners[k];
    const int b = corners[(k + 1) % 3];
    const int other = m_info.neighbours[t * 3 + static_cast<size_t>(k)];
    if (other < 0)
        return 0;
    const StripTri& o = m_info.tris[static_cast<size_t>(other)];
    const int oc[3] = {o.c0, o.c1, o.c2};
    for (int j = 0; j < 3; ++j) {
        if (oc[j] == a && oc[(j + 1) % 3] == b)
            return j + 4;
        if (oc[j] == b && oc[(j + 1) % 3] == a)
            return j;
    }
    return 0;
}

// The trial being grown read whether `tri` is committed: note it, once.
void Stripper::NoteDepend(int tri) {
    Node& n = m_nodes[tri];
    if (n.owner == kCommitted || n.dependStamp == m_nextTrialId)
        return;
    n.dependStamp = m_nextTrialId;
    m_trialDepends.push_back(tri);
}

// ---------------------------------------------------------------------------
// Seeds

int Stripper::NextUncommitted(int from) {
    int root = from;
    while (m_next[root] != root) root = m_next[root];
    while (m_next[from] != root) {
        const int up = m_next[from];
        m_next[from] = root;
        from = up;
    }
    return root;
}

void Stripper::Commit(int tri) {
    m_nodes[tri].owner = kCommitted;
    m_next[tri] = tri + 1;
    // every kept trial that looked at this triangle is out of date
    for (int d = m_dependHead[tri]; d >= 0; d = m_depends[d].next) {
        TrialSlot& slot = m_slots[m_depends[d].slot];
        if (slot.generation == m_depends[d].generation)
            slot.ready = false;
    }
    m_dependHead[tri] = -1;
    for (int k = 0; k < 3; ++k) UnlinkIfSpent(m_info.triEdges[tri * 3 + k]);
}

// An edge whose two triangles are both committed can never start a
// continuation again: drop it from both vertices' live lists.
void Stripper::UnlinkIfSpent(int edge) {
    const StripEdge& e = m_info.edges[edge];
    if (e.firstTri < 0 || e.secondTri < 0)
        return;
    if (m_nodes[e.firstTri].owner != kCommitted || m_nodes[e.secondTri].owner != kCommitted)
        return;
    for (int side = 0; side < 2; ++side) {
        const int link = 2 * edge + side;
        const int vertex = side == 0 ? e.endA : e.endB;
        const int prev = m_livePrev[link];
        const int next = m_liveNext[link];
        if (prev < 0 && m_liveHead[vertex] != link)
            continue;  // already unlinked
        if (prev < 0) {
            m_liveHead[vertex] = next;
        } else {
            m_liveNext[prev] = next;
        }
        if (next >= 0)
            m_livePrev[next] = prev;
        m_livePrev[link] = -1;
        m_liveNext[link] = -1;
    }
}

int Stripper::FindSeed() {
    const int count = static_cast<int>(m_info.numTableTris);
    int seed = -1;
    if (m_firstSeed) {
        // the triangle with the most open edges, lowest position on ties
        int bestOpen = 0;
        for (int i = 0; i < count; ++i) {
            const Node& n = m_nodes[i];
            const int open =
                (n.across[0] < 0 ? 1 : 0) + (n.across[1] < 0 ? 1 : 0) + (n.across[2] < 0 ? 1 : 0);
            if (open > bestOpen) {
                bestOpen = open;
                seed = i;
            }
        }
        m_firstSeed = false;
    }
    if (seed < 0 && count > 0) {
        const int start = static_cast<int>(static_cast<float>(count - 1) * m_jump);
        // first uncommitted triangle from start on, wrapping once
        int found = NextUncommitted(start);
        if (found >= count) {
            found = NextUncommitted(0);
            if (found >= start)
                found = -1;
        }
        seed = found;
    }
    m_jump += kJumpStep;
    if (m_jump > 1.0f)
        m_jump = kJumpRestart;
    return seed;
}

// ---------------------------------------------------------------------------
// Growth

// Walks from the start triangle over its side (p, q). The walk's place is a
// triangle and the side it came over (corners k, k + 1), `flip` when it came
// from corner k + 1 to k, that is, when p is corner k + 1: then (q, r) is side
// k + 2 and (p, r) side k + 1, else the other way round. p and q are corners
// of the strip already, so only r can close it onto its own vertices.
void Stripper::Walk(Growing& s, int p, int q, std::vector<int>& out, bool unique) {
    // past the limit of noted reads, with no twin check, nothing is noted
    if (m_twin.Active() || m_trialDepends.size() <= kMaxKeptDepends) {
        WalkSteps<true>(s, p, q, out, unique);
    } else {
        WalkSteps<false>(s, p, q, out, unique);
    }
}

template <bool kNote>
void Stripper::WalkSteps(Growing& s, int p, int q, std::vector<int>& out, bool unique) {
    static constexpr int kAfter[5] = {1, 2, 0, 1, 2};  // kAfter[k + i] = (k + i + 1) % 3
    const unsigned stamp = m_stripStamp;
    const Node& start = m_nodes[s.startTri];
    int side = 0;
    while (!((start.v[side] == p && start.v[kAfter[side]] == q) ||
             (start.v[side] == q && start.v[kAfter[side]] == p))) {
        ++side;
    }
    int t = start.across[side];
    int k = (start.acrossSides >> (3 * side)) & 3;
    bool flip = t >= 0 && m_nodes[t].v[k] != p;
    while (t >= 0) {
        if (kNote)
            Depend(t);
        const bool checkTwin = kNote && m_twin.Active();
        if (checkTwin)
            m_twin.Read(t);
        Node& n = m_nodes[t];
        if (Taken(n, s))
            break;
        const int k1 = kAfter[k];
        const int k2 = kAfter[k + 1];
        const int r = n.v[k2];
        if (unique && m_vertexStamp[r] == stamp) {
            if (checkTwin)
                m_twin.StoppedOnOwnVertices();
            break;  // would wrap onto the strip's own vertices
        }
        const int sideQR = flip ? k2 : k1;
        const int sidePR = flip ? k1 : k2;
        const int overQR = n.across[sideQR];
        const int overPR = n.across[sidePR];
        if (kNote && overQR >= 0)
            Depend(overQR);
        if (kNote && overPR >= 0)
            Depend(overPR);
        if (checkTwin) {
            if (overQR >= 0)
                m_twin.Read(overQR);
            if (overPR >= 0)
                m_twin.Read(overPR);
            m_twin.Took(t, r, m_vertexStamp[r] == stamp);
        }
        // the strip cannot go on over (q, r) but could over (p, r): turn with a swap
        const bool swap =
            (overQR < 0 || Taken(m_nodes[overQR], s)) && overPR >= 0 && !Taken(m_nodes[overPR], s);
        if (swap) {
            out.push_back(~static_cast<int>(n.v[flip ? k1 : k]));
            out.push_back(n.v[flip ? k : k1]);
            ++s.degenerates;
        }
        out.push_back(t);
        n.owner = s.trialId;
        n.stripMark = s.stripId;
        m_vertexStamp[r] = stamp;
        // on over (q, r), or over (p, r) after a swap; the new p is the start
        // of that side when it is side k + 1
        side = swap ? sidePR : sideQR;
        t = n.across[side];
        const int sides = n.acrossSides >> (3 * side);
        k = sides & 3;
        flip = ((sides & 4) != 0) != (side == k1);
    }
}

void Stripper::Grow(Growing& s, bool checkTwin) {
    const StripEdge& edge = m_info.edges[s.startEdge];
    const int x = s.direction ? edge.endA : edge.endB;
    const int y = s.direction ? edge.endB : edge.endA;
    const int z = GetNextIndex(x, y, m_info.tris[s.startTri], m_diagnostics);
    const int degeneratesBefore = s.degenerates;

    const unsigned stamp = ++m_stripStamp;
    Node& first = m_nodes[s.startTri];
    first.owner = s.trialId;
    first.stripMark = s.stripId;
    m_vertexStamp[first.v[0]] = m_vertexStamp[first.v[1]] = m_vertexStamp[first.v[2]] = stamp;

    // the strip's entries as walked: the forward ones from the start
    // triangle on, then the backward ones (see TrialSlot)
    const size_t header = m_passResults.size();
    m_passResults.insert(m_passResults.end(), {0, 0, 0, s.startTri});
    if (checkTwin)
        m_twin.BeginFirstWalk();
    Walk(s, y, z, m_passResults, false);
    const size_t forwardEnd = m_passResults.size();
    if (checkTwin)
        m_twin.BeginSecondWalk();
    Walk(s, y, x, m_passResults, true);
    m_twin.End();

    const int fakeEntries = s.degenerates - degeneratesBefore;
    const size_t entries = m_passResults.size() - header - 3;
    m_passResults[header] = static_cast<int>(entries) - fakeEntries;
    m_passResults[header + 1] = static_cast<int>(forwardEnd - header - 3);
    m_passResults[header + 2] = static_cast<int>(m_passResults.size() - forwardEnd);
}

bool Stripper::FindContinuation(const Growing& s, Growing& next) {
    const StripEdge& start = m_info.edges[s.startEdge];
    const int w = s.direction ? start.endB : start.endA;
    // the live list holds w's edges in list order, less those that cannot match
    for (int link = m_liveHead[w]; link >= 0; link = m_liveNext[link]) {
        const int e = link / 2;
        const StripEdge& edge = m_info.edges[e];
        const int a = edge.firstTri;
        const int b = edge.secondTri;
        Depend(a);
        Depend(b);
        int tri = -1;
        if (m_nodes[a].stripMark != s.stripId && !Taken(m_nodes[b], s)) {
            tri = b;
        } else if (m_nodes[b].stripMark != s.stripId && !Taken(m_nodes[a], s)) {
            tri = a;
        } else {
            continue;
        }

        bool sharesEdge = false;
        for (int k = 0; k < 3; ++k) {
            const StripEdge& f = m_info.edges[m_info.triEdges[tri * 3 + k]];
            if ((f.firstTri >= 0 && m_nodes[f.firstTri].stripMark == s.stripId) ||
                (f.secondTri >= 0 && m_nodes[f.secondTri].stripMark == s.stripId)) {
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

// The seed's trial with the same pivot vertex and the two walks of the first
// strip swapped: over the seed's other edge at the pivot, from the third corner.
int Stripper::TwinSlot(int seed, int k) const {
    const StripTri& tri = m_info.tris[seed];
    const int corners[3] = {tri.c0, tri.c1, tri.c2};
    const int side = k / 2;
    const StripEdge& edge = m_info.edges[m_info.triEdges[seed * 3 + side]];
    const int pivot = k % 2 == 0 ? edge.endB : edge.endA;
    const int third = corners[(side + 2) % 3];
    const int twinSide = pivot == corners[(side + 1) % 3] ? (side + 1) % 3 : (side + 2) % 3;
    const StripEdge& twinEdge = m_info.edges[m_info.triEdges[seed * 3 + twinSide]];
    return 2 * twinSide + (twinEdge.endA == third ? 0 : 1);
}

// Grows one trial from scratch into `slot`; a small one is kept for later
// passes, with a record on each triangle it read.
void Stripper::GrowTrial(int slot, int seed, int edge, bool direction, bool checkTwin) {
    TrialSlot& result = m_slots[slot];
    ++result.generation;
    const size_t printed = m_diagnostics != nullptr ? m_diagnostics->size() : 0;
    m_trialDepends.clear();

    Growing s;
    s.startTri = seed;
    s.startEdge = edge;
    s.direction = direction;
    s.stripId = m_nextStripId++;
    s.trialId = m_nextTrialId;
    Depend(seed);

    const size_t begin = m_passResults.size();
    m_passResults.push_back(0);
    int numStrips = 0;
    float total = 0.0f;
    bool twinSame = false;
    while (true) {
        const size_t lengthAt = m_passResults.size();
        Grow(s, checkTwin && numStrips == 0);
        if (numStrips == 0)
            twinSame = checkTwin && m_twin.Holds();
        total += static_cast<float>(m_passResults[lengthAt] - s.degenerates);
        ++numStrips;
        Growing next;
        if (!FindContinuation(s, next))
            break;
        next.stripId = m_nextStripId++;
        next.trialId = s.trialId;
        s = next;
    }
    m_passResults[begin] = numStrips;
    result.value = total / static_cast<float>(numStrips);
    ++m_nextTrialId;

    // a trial that printed must print again when it is grown again
    const bool quiet = m_diagnostics == nullptr || m_diagnostics->size() == printed;
    result.ready = quiet && m_trialDepends.size() <= kMaxKeptDepends;
    result.twinSame = quiet && twinSame;
    result.kept = result.ready;
    result.begin = begin;
    if (!result.ready)
        return;
    result.begin = m_kept.size();
    m_kept.insert(m_kept.end(), m_passResults.begin() + static_cast<std::ptrdiff_t>(begin),
                  m_passResults.end());
    m_passResults.resize(begin);
    for (int tri : m_trialDepends) {
        m_depends.push_back({slot, result.generation, m_dependHead[tri]});
        m_dependHead[tri] = static_cast<int>(m_depends.size() - 1);
    }
}

// ---------------------------------------------------------------------------
// Passes

// The fake (p, q, p) of the entries (~p, q) joins the table's triangles.
void Stripper::AdoptFake(Strip& strip, int notP, int q) {
    StripTri fake;
    fake.c0 = fake.c2 = ~notP;
    fake.c1 = q;
    fake.fake = true;
    strip.tris.push_back(static_cast<int>(m_info.tris.size()));
    m_info.tris.push_back(fake);
}

std::vector<Strip> Stripper::FindStrips() {
    m_jump = 0.0f;
    m_firstSeed = true;
    std::vector<Strip> adopted;
    std::vector<int> trials;
    std::vector<int> seeds;
    bool lastPass = false;
    while (!lastPass) {
        // set up: six trials per new seed, grown unless a valid result is kept
        trials.clear();
        seeds.clear();
        m_passResults.clear();
        for (int i = 0; i < kSeedsPerPass; ++i) {
            const int seed = FindSeed();
            if (seed < 0) {
                lastPass = true;
                break;
            }
            if (std::find(seeds.begin(), seeds.end(), seed) != seeds.end())
                continue;
            seeds.push_back(seed);
            // six slots per seed, made when the seed first comes up
            if (m_seedSlots[seed] < 0) {
                m_seedSlots[seed] = static_cast<int>(m_slots.size());
                m_slots.resize(m_slots.size() + kTrialsPerSeed);
            }
            const int firstSlot = m_seedSlots[seed];
            for (int k = 0; k < kTrialsPerSeed; ++k) {
                const int slot = firstSlot + k;
                const int edge = m_info.triEdges[seed * 3 + k / 2];
                // a later twin of an earlier trial ties with it: never adopted
                const int twin = TwinSlot(seed, k);
                const TrialSlot& twinSlot = m_slots[firstSlot + twin];
                if (twin < k && twinSlot.twinSame) {
                    ++m_twinsSkipped;
                    if (m_growSkippedTwins) {
                        if (!m_slots[slot].ready)
                            GrowTrial(slot, seed, edge, k % 2 == 0, false);
                        if (m_slots[slot].value != twinSlot.value)
                            ++m_twinMismatches;
                    }
                    continue;
                }
                if (!m_slots[slot].ready)
                    GrowTrial(slot, seed, edge, k % 2 == 0, twin > k);
                trials.push_back(slot);
            }
        }

        // judge: longest average strip, first one on ties
        int best = -1;
        float bestValue = 0.0f;
        for (int slot : trials) {
            if (m_slots[slot].value > bestValue) {
                bestValue = m_slots[slot].value;
                best = slot;
            }
        }
        if (best < 0)
            continue;

        // adopt the winner: its fakes join the table's triangles
        const size_t firstAdopted = adopted.size();
        const std::vector<int>& results = m_slots[best].kept ? m_kept : m_passResults;
        size_t pos = m_slots[best].begin;
        const int numStrips = results[pos++];
        for (int k = 0; k < numStrips; ++k) {
            const size_t length = static_cast<size_t>(results[pos]);
            const size_t forward = static_cast<size_t>(results[pos + 1]);
            const size_t backward = static_cast<size_t>(results[pos + 2]);
            const int* entries = results.data() + pos + 3;
            pos += 3 + forward + backward;
            Strip strip;
            strip.tris.reserve(length);
            // the backward entries reversed, then the forward ones; a fake's
            // two entries (~p, q) keep their order
            const int* back = entries + forward;
            for (size_t i = backward; i > 0; --i) {
                if (i >= 2 && back[i - 2] < 0) {
                    AdoptFake(strip, back[i - 2], back[i - 1]);
                    --i;
                } else {
                    strip.tris.push_back(back[i - 1]);
                }
            }
            for (size_t i = 0; i < forward; ++i) {
                if (entries[i] < 0) {
                    AdoptFake(strip, entries[i], entries[i + 1]);
                    ++i;
                } else {
                    strip.tris.push_back(entries[i]);
                }
            }
            adopted.push_back(std::move(strip));
        }
        for (size_t k = firstAdopted; k < adopted.size(); ++k) {
            for (int tri : adopted[k].tris) {
                if (static_cast<size_t>(tri) < m_info.numTableTris)
                    Commit(tri);
            }
        }
    }
    return adopted;
}
