// The strip search of the strip generator: seeds, trials and growth.
//
// Takes the tables of BuildStripifyInfo and gives back the adopted strips in
// the order they were adopted. Each pass looks for up to 10 seed triangles,
// grows six trial layouts from each (three start edges, two directions), each
// trial continuing with new strips next to its last one, and adopts the trial
// whose strips are longest on average. Fake triangles (p, q, p) turn a strip
// where that lets it go on. Passes repeat until no uncommitted triangle is left.
//
// Cost: a trial's result depends only on which of the triangles it looked at
// were committed, so a small trial (up to 512 triangles read) is grown once
// per (seed, start edge, direction) and kept until one of those triangles is
// committed; passes mostly meet seeds whose trials are still valid. Large
// trials are grown again each pass: on grids almost none would still be
// valid. (On the chunks of the shared benchmark file they average 7,000
// steps, and 31 to 75 passes grow them again: about 490 steps per triangle.
// Resuming one after its longest prefix of strips whose reads are still all
// uncommitted keeps nothing there: seeds sit on the committed frontier, so
// every first strip reads a triangle just committed and comes out
// different.) A seed's six trials pair up as twins (StripTwinCheck.h): when
// the earlier one of a pair finds that the later one would grow the same
// strips, the later one ties with it, cannot be adopted and is not grown; on
// those chunks that leaves 210 to 260 steps per triangle. (Dropping a trial
// once even its best finish, every triangle left in one more strip, cannot
// beat the pass's best would spare 3 to 8 % of the steps more: not done.)
// Growth steps from side to side of precomputed neighbours (no vertex
// compares, no lookups) with per-triangle marks (no clearing; the owner marks
// stay in the nodes: in an array of their own the walk was slower); seeds
// come from a next-uncommitted index and continuations from per-vertex lists
// of the edges still usable. Memory: linear in the triangles and in the kept
// results.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "MeshAnimConverter/geometry/StripTwinCheck.h"
#include "MeshAnimConverter/geometry/StripifyInfo.h"

// An adopted strip: triangle numbers into StripifyInfo::tris (fakes included).
struct Strip {
    std::vector<int> tris;
};

class Stripper {
public:
    // `info` gains the fake triangles of the adopted strips; diagnostic lines
    // go to `diagnostics` (when not null).
    Stripper(StripifyInfo& info, std::string* diagnostics);

    std::vector<Strip> FindStrips();

    // One seed search; exposed for tests. -1 when no seed is left.
    int FindSeed();
    float JumpFraction() const { return m_jump; }
    // Trials not grown because an earlier twin gives the same strips. For
    // tests: with `on`, those twins are grown all the same (not judged) and
    // counted when their average strip length differs from the earlier one's.
    size_t TwinsSkipped() const { return m_twinsSkipped; }
    void GrowSkippedTwins(bool on) { m_growSkippedTwins = on; }
    size_t TwinMismatches() const { return m_twinMismatches; }

private:
    // Per table triangle, all a growth step reads, in 32 bytes: the triangle
    // across each side (side k: corners k, k + 1), the trial that marked it
    // last (kCommitted once adopted), the strip that did, the last trial that
    // noted reading it, its corners (16-bit indices), and per side k in bits
    // 3k to 3k + 2 which side of the triangle across is the same edge, plus 4
    // when that side starts at the same corner.
    struct Node {
        int across[3];
        int owner;
        int stripMark;
        int dependStamp;
        uint16_t v[3];
        uint16_t acrossSides;
    };

    // The strip being grown.
    struct Growing {
        int startTri = -1;
        int startEdge = -1;
        bool direction = true;
        int stripId = -1;
        int trialId = -1;
        int degenerates = 0;
    };

    // A trial's result: in m_kept (valid while `ready`) or in m_passResults
    // (this pass only) from `begin`, as a strip count, then per strip its
    // triangle count (fakes included), its forward and backward entry counts
    // and the entries as the two walks made them (the strip is the backward
    // ones reversed, then the forward ones): a table triangle as its number,
    // a fake (p, q, p) as the two entries ~p, q. Only the adopted trial's
    // strips are put in order. The generation tells current dependency
    // records from stale ones.
    struct TrialSlot {
        uint32_t generation = 0;
        bool ready = false;
        bool kept = false;
        bool twinSame = false;  // the seed's twin trial would give the same strips
        float value = 0.0f;
        size_t begin = 0;
    };

    // this trial's or committed (trial ids only grow; kCommitted is above all)
    bool Taken(const Node& n, const Growing& s) const { return n.owner >= s.trialId; }
    int AcrossSide(size_t t, int k) const;
    // past the limit the trial will not be kept: no need to note more
    void Depend(int tri) {
        if (m_trialDepends.size() <= kMaxKeptDepends)
            NoteDepend(tri);
    }
    void NoteDepend(int tri);
    int TwinSlot(int seed, int k) const;
    void GrowTrial(int slot, int seed, int edge, bool direction, bool checkTwin);
    void Grow(Growing& s, bool checkTwin);
    void Walk(Growing& s, int p, int q, std::vector<int>& out, bool unique);
    template <bool kNote>
    void WalkSteps(Growing& s, int p, int q, std::vector<int>& out, bool unique);
    bool FindContinuation(const Growing& s, Growing& next);
    int NextUncommitted(int from);
    void Commit(int tri);
    void UnlinkIfSpent(int edge);
    void AdoptFake(Strip& strip, int notP, int q);

    static constexpr int kCommitted = std::numeric_limits<int>::max();
    // trials that read more triangles than this are not kept across passes
    static constexpr size_t kMaxKeptDepends = 512;

    StripifyInfo& m_info;
    std::string* m_diagnostics;
    float m_jump = 0.0f;
    bool m_firstSeed = true;
    int m_nextTrialId = 0;
    int m_nextStripId = 0;
    size_t m_twinsSkipped = 0;
    bool m_growSkippedTwins = false;
    size_t m_twinMismatches = 0;

    std::vector<Node> m_nodes;

    // next-uncommitted index: a table position at or after i that may be
    // uncommitted (union-find with path compression); numTableTris is "none"
    std::vector<int> m_next;

    // Per vertex, the edges that can still start a continuation, in edge-list
    // order: edges with two triangles, not both committed. Links per edge side
    // (2 × edge + 0 in endA's list, + 1 in endB's list); -1 ends a list.
    std::vector<int> m_liveHead;
    std::vector<int> m_liveNext;
    std::vector<int> m_livePrev;

    // Trial results, six slots per seed. Small trials are kept
    // across passes together with what they depend on: per triangle a list of
    // (slot, generation) records. Large ones touch so much that a later pass
    // rarely finds them valid: they are grown again instead of kept.
    struct DependRecord {
        int slot;
        uint32_t generation;
        int next;
    };
    std::vector<TrialSlot> m_slots;  // six per seed met so far, in seed order
    std::vector<int> m_seedSlots;    // per table triangle: its first slot, or -1
    std::vector<int> m_kept;
    std::vector<int> m_passResults;
    std::vector<int> m_dependHead;
    std::vector<DependRecord> m_depends;
    std::vector<int> m_dependStamp;   // per triangle: last trial that read it
    std::vector<int> m_trialDepends;  // what the trial being grown read

    // vertices of the strip being grown: stamp per vertex index
    std::vector<unsigned> m_vertexStamp;
    unsigned m_stripStamp = 0;

    StripTwinCheck m_twin;
};
