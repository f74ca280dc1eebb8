// The strip search of the strip generator: seeds, trials and growth.
//
// Takes the tables of BuildStripifyInfo and gives back the adopted strips in
// the order they were adopted. Each pass looks for up to 10 seed triangles,
// grows six trial layouts from each (three start edges, two directions), each
// trial continuing with new strips next to its last one, and adopts the trial
// whose strips are longest on average. Fake triangles (p, q, p) turn a strip
// where that lets it go on. Passes repeat until no uncommitted triangle is left.
//
// Cost: each pass grows at most 60 trials over the uncommitted triangles near
// the seeds. Edges are found by hash, seeds through a next-uncommitted index,
// continuations through per-vertex lists of the edges still usable, so nothing
// rescans all triangles or a vertex's spent edges.
#pragma once

#include <cstddef>
#include <vector>

#include "MeshAnimConverter/geometry/StripifyInfo.h"

// An adopted strip.
struct Strip {
    int startTri = -1;
    int startEdge = -1;
    bool direction = true;  // true: starts from the start edge's endA towards endB
    std::vector<int> tris;  // triangle numbers into StripifyInfo::tris
    int stripId = -1;
    int trialId = -1;  // -1 once committed
    bool visited = false;
    int numDegenerates = 0;
};

class Stripper {
public:
    // `info` gains the fake triangles of the adopted strips. With liveEdges off,
    // continuations walk the full edge lists instead of the lists of usable
    // edges: slower, same result (tests compare the two).
    explicit Stripper(StripifyInfo& info, bool liveEdges = true);

    std::vector<Strip> FindStrips();

    // One seed search; exposed for tests. -1 when no seed is left.
    int FindSeed();
    float JumpFraction() const { return jump_; }

private:
    // A strip while it belongs to a trial; its triangles are arena_[begin, end).
    struct TrialStrip {
        int startTri = -1;
        int startEdge = -1;
        bool direction = true;
        int stripId = -1;
        int trialId = -1;
        int numDegenerates = 0;
        size_t begin = 0;
        size_t end = 0;
    };

    // Every strip grown here belongs to a trial, so "taken" is: committed, or
    // marked by the same trial; "in the strip" is: marked by that strip.
    bool IsTaken(int tri, const TrialStrip& s) const;
    bool IsInStrip(int tri, const TrialStrip& s) const;
    void Mark(int tri, const TrialStrip& s);
    int MakeFake(int p, int q);
    void Grow(TrialStrip& s);
    // Walks one direction from the strip's start triangle; `unique` limits it to
    // triangles that bring a vertex new to the strip.
    void Walk(TrialStrip& s, int p, int q, std::vector<int>& out, bool unique);
    bool FindContinuation(const TrialStrip& s, TrialStrip& next) const;
    int NextUncommitted(int from);
    void Commit(int tri);
    void UnlinkIfSpent(int edge);

    StripifyInfo& info_;
    bool liveEdges_ = true;
    float jump_ = 0.0f;
    bool firstSeed_ = true;
    int nextTrialId_ = 0;
    int nextStripId_ = 0;

    // next_[i]: a table position at or after i that may be uncommitted (union-find
    // with path compression); position numTableTris stands for "none".
    std::vector<int> next_;

    // Per vertex, the edges that can still start a continuation, in edge-list
    // order: edges with two triangles, not both committed. Links per edge side
    // (2 × edge + 0 in endA's list, + 1 in endB's list); -1 ends a list.
    std::vector<int> liveHead_;
    std::vector<int> liveNext_;
    std::vector<int> livePrev_;

    // vertices of the strip being grown: stamp per vertex index
    std::vector<unsigned> vertexStamp_;
    unsigned stripStamp_ = 0;

    // per-pass scratch, reused
    std::vector<int> arena_;
    std::vector<int> scratch_;
    std::vector<int> forward_;
    std::vector<int> backward_;
};
