// A first-in-first-out model of a post-transform vertex cache.
//
// Holds the last N distinct vertices added, newest first; every entry starts
// as -1. A lookup scans all N entries; adding an absent vertex shifts every
// entry one place back (the oldest drops out) and puts the vertex in front.
// Used by the strip generator to order strip pieces and loose triangles.
#pragma once

#include <vector>

#include "MeshAnimConverter/geometry/StripifyInfo.h"

class FifoCache {
public:
    explicit FifoCache(int size);

    bool InCache(int vertex) const;
    // Adds the vertex unless it is present. Returns the vertex that dropped out
    // (-1 when none, or when nothing was added).
    int AddEntry(int vertex);

    // Cached vertices of a triangle, c0, c1 and c2 counted separately.
    int CountCached(const StripTri& tri) const;
    // Adds each absent vertex of the triangle, in the order c0, c1, c2.
    void AddTriangle(const StripTri& tri);

private:
    std::vector<int> m_entries;
};
