// Triangle and edge tables of the strip generator.
//
// BuildStripifyInfo takes a 16-bit triangle list and gives back the triangle
// table (input order, degenerate and exactly repeated triangles left out) and
// an undirected edge table with one list per vertex index, newest edge first.
// An edge knows at most two triangles; a third one on the same edge is
// reported in the caller's diagnostics text and not linked. For each table
// triangle it also keeps its three edges and the triangle across each, so that
// walking a strip never searches. Cost: O(triangles), with hashes of the edges
// by their ends and of the kept triangles (repeat test).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One triangle; the generator also makes degenerate "fake" ones (p, q, p) to
// turn a strip's direction.
struct StripTri {
    int c0 = 0;
    int c1 = 0;
    int c2 = 0;
    bool fake = false;

    bool IsDegenerate() const { return c0 == c1 || c1 == c2 || c2 == c0; }
    bool HasVertex(int v) const { return c0 == v || c1 == v || c2 == v; }
};

// One undirected edge, linked from both of its vertices' lists.
struct StripEdge {
    int firstTri = -1;  // triangle numbers into StripifyInfo::tris; -1 for none
    int secondTri = -1;
    int endA = 0;  // in the order of the triangle that created the edge
    int endB = 0;
    int nextA = -1;  // next edge in endA's list
    int nextB = -1;  // next edge in endB's list
};

struct StripifyInfo {
    std::vector<StripTri> tris;  // the triangle table, then fake triangles
    size_t numTableTris = 0;
    std::vector<StripEdge> edges;
    std::vector<int> edgeHeads;  // per vertex index: newest edge, or -1
    // The same edges hashed by their two ends (open addressing, linear probing):
    // a pair of vertices has at most one edge, so this finds what walking a's
    // list would find, without the walk.
    std::vector<uint32_t> edgeHashKeys;  // (smaller end << 16 | larger end) + 1; 0 = empty
    std::vector<int> edgeHashValues;
    // per table triangle, its edges (c0, c1), (c1, c2), (c2, c0), and the
    // other triangle of each seen from it (-1 for none)
    std::vector<int> triEdges;
    std::vector<int> neighbours;

    // The edge (a, b) in either direction, or -1.
    int FindEdge(int a, int b) const;
    // The next edge after `edge` in vertex v's list.
    int NextEdge(int edge, int v) const {
        const StripEdge& e = edges[edge];
        return e.endA == v ? e.nextA : e.nextB;
    }
    // The edge's first triangle unless that is `tri`, else its second.
    int OtherTri(int edge, int tri) const {
        const StripEdge& e = edges[edge];
        return e.firstTri != tri ? e.firstTri : e.secondTri;
    }
    // FindEdge(a, b), answered from the triangle's own edges when (a, b) is one
    // of them (the usual case while walking a strip).
    int FindEdgeOf(int tri, int a, int b) const;
    // OtherTri of the edge (a, b) seen from `tri`; -1 when there is no such edge.
    int OtherTri(int a, int b, int tri) const;
    // Which side k of the table triangle `tri` (corners k, k + 1) is the edge (a, b) in
    // either direction; -1 when none is or `tri` is not in the table.
    int SideOf(int tri, int a, int b) const;
};

// Fills `info` from the triangle list (three indices per triangle; a trailing
// partial triangle is ignored). maxIndex is the largest index of the list. A
// third triangle on an edge appends a line to `diagnostics` (when not null).
void BuildStripifyInfo(const uint16_t* indices, size_t numIndices, int maxIndex, StripifyInfo& info,
                       std::string* diagnostics);

// With a and b the last two indices of a strip's index list, returns the
// triangle's vertex that is neither (c0, then c1, then c2). Appends two
// diagnostic lines to `diagnostics` (when not null) when the triangle lacks a
// or b. When all its vertices are among a and b: a repeated vertex, or -1.
int GetNextIndex(int a, int b, const StripTri& tri, std::string* diagnostics);
