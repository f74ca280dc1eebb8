// FIFO vertex cache: linear scans over a handful of entries.
#include "MeshAnimConverter/geometry/FifoCache.h"

#include <algorithm>

FifoCache::FifoCache(int size) : m_entries(static_cast<size_t>(std::max(size, 1)), -1) {}

bool FifoCache::InCache(int vertex) const {
    return std::find(m_entries.begin(), m_entries.end(), vertex) != m_entries.end();
}

int FifoCache::AddEntry(int vertex) {
    if (InCache(vertex))
        return -1;
    const int dropped = m_entries.back();
    std::copy_backward(m_entries.begin(), m_entries.end() - 1, m_entries.end());
    m_entries.front() = vertex;
    return dropped;
}

int FifoCache::CountCached(const StripTri& tri) const {
    return (InCache(tri.c0) ? 1 : 0) + (InCache(tri.c1) ? 1 : 0) + (InCache(tri.c2) ? 1 : 0);
}

void FifoCache::AddTriangle(const StripTri& tri) {
    AddEntry(tri.c0);
    AddEntry(tri.c1);
    AddEntry(tri.c2);
}
