// Building the strip generator's triangle and edge tables, and GetNextIndex.
#include "MeshAnimConverter/geometry/StripifyInfo.h"

namespace {

// Both ends fit 16 bits; +1 keeps 0 free to mark empty slots.
uint32_t EdgeKey(int a, int b) {
    const uint32_t lo = static_cast<uint32_t>(a < b ? a : b);
    const uint32_t hi = static_cast<uint32_t>(a < b ? b : a);
    return ((lo << 16) | hi) + 1;
}

size_t EdgeSlot(uint32_t key, size_t mask) {
    // full avalanche: keys of neighbouring edges differ in few bits
    uint32_t h = key;
    h ^= h >> 16;
    h *= 0x85ebca6bu;
    h ^= h >> 13;
    h *= 0xc2b2ae35u;
    h ^= h >> 16;
    return static_cast<size_t>(h) & mask;
}

void InsertEdge(StripifyInfo& info, uint32_t key, int edge) {
    const size_t mask = info.edgeHashKeys.size() - 1;
    size_t slot = EdgeSlot(key, mask);
    while (info.edgeHashKeys[slot] != 0) slot = (slot + 1) & mask;
    info.edgeHashKeys[slot] = key;
    info.edgeHashValues[slot] = edge;
}

uint64_t TriangleKey(int a, int b, int c) {
    return (static_cast<uint64_t>(a) << 32) | (static_cast<uint64_t>(b) << 16) |
           static_cast<uint64_t>(c);
}

}  // namespace

int StripifyInfo::FindEdge(int a, int b) const {
    if (a < 0 || b < 0 || a == b || static_cast<size_t>(a) >= edgeHeads.size() ||
        static_cast<size_t>(b) >= edgeHeads.size() || edgeHashKeys.empty()) {
        return -1;
    }
    const uint32_t key = EdgeKey(a, b);
    const size_t mask = edgeHashKeys.size() - 1;
    for (size_t slot = EdgeSlot(key, mask);; slot = (slot + 1) & mask) {
        if (edgeHashKeys[slot] == key)
            return edgeHashValues[slot];
        if (edgeHashKeys[slot] == 0)
            return -1;
    }
}

int StripifyInfo::SideOf(int tri, int a, int b) const {
    if (tri < 0 || static_cast<size_t>(tri) >= numTableTris) {
        return -1;
    }
    const StripTri& t = tris[tri];
    const int v[3] = {t.c0, t.c1, t.c2};
    for (int k = 0; k < 3; ++k) {
        const int x = v[k];
        const int y = v[(k + 1) % 3];
        if ((x == a && y == b) || (x == b && y == a))
            return k;
    }
    return -1;
}

int StripifyInfo::OtherTri(int a, int b, int tri) const {
    const int side = SideOf(tri, a, b);
    if (side >= 0) {
        return neighbours[tri * 3 + side];
    }
    const int edge = FindEdge(a, b);
    return edge < 0 ? -1 : OtherTri(edge, tri);
}

int StripifyInfo::FindEdgeOf(int tri, int a, int b) const {
    const int side = SideOf(tri, a, b);
    return side >= 0 ? triEdges[tri * 3 + side] : FindEdge(a, b);
}

void BuildStripifyInfo(const uint16_t* indices, size_t numIndices, int maxIndex, StripifyInfo& info,
                       std::string* diagnostics) {
    info = StripifyInfo();
    info.edges.clear();
    info.edgeHeads.assign(static_cast<size_t>(maxIndex) + 1, -1);

    const size_t numTriangles = numIndices / 3;
    // at most 3 edges per triangle, table at most half full
    size_t capacity = 16;
    while (capacity < numTriangles * 6) capacity *= 2;
    info.edgeHashKeys.assign(capacity, 0);
    info.edgeHashValues.assign(capacity, -1);
    // the kept triangles, for the repeat test (same three indices, same
    // order): open addressing over key + 1, 0 = empty, at most half full
    size_t keptCapacity = 16;
    while (keptCapacity < numTriangles * 2) keptCapacity *= 2;
    std::vector<uint64_t> kept(keptCapacity, 0);
    // finds the key's slot: holding the key, or the empty one it would take
    auto keptSlot = [&kept](uint64_t key) {
        const size_t mask = kept.size() - 1;
        size_t slot = static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> 40) & mask;
        while (kept[slot] != 0 && kept[slot] != key + 1) slot = (slot + 1) & mask;
        return slot;
    };
    info.triEdges.reserve(numTriangles * 3);

    for (size_t i = 0; i < numTriangles; ++i) {
        const int v[3] = {indices[i * 3], indices[i * 3 + 1], indices[i * 3 + 2]};
        if (v[0] == v[1] || v[1] == v[2] || v[2] == v[0])
            continue;

        const int tri = static_cast<int>(info.tris.size());
        int linkedAsSecond[3] = {-1, -1, -1};
        int edges[3];
        bool allExisted = true;
        for (int e = 0; e < 3; ++e) {
            const int a = v[e];
            const int b = v[(e + 1) % 3];
            const int edge = info.FindEdge(a, b);
            edges[e] = edge >= 0 ? edge : static_cast<int>(info.edges.size());
            if (edge >= 0) {
                StripEdge& existing = info.edges[edge];
                if (existing.secondTri >= 0) {
                    if (diagnostics != nullptr) {
                        diagnostics->append(
                            "BuildStripifyInfo: > 2 triangles on an edge... uncertain "
                            "consequences\n");
                    }
                } else {
                    existing.secondTri = tri;
                    linkedAsSecond[e] = edge;
                }
                continue;
            }
            allExisted = false;
            StripEdge created;
            created.firstTri = tri;
            created.endA = a;
            created.endB = b;
            created.nextA = info.edgeHeads[a];
            created.nextB = info.edgeHeads[b];
            info.edgeHeads[a] = info.edgeHeads[b] = static_cast<int>(info.edges.size());
            InsertEdge(info, EdgeKey(a, b), static_cast<int>(info.edges.size()));
            info.edges.push_back(created);
        }

        const uint64_t key = TriangleKey(v[0], v[1], v[2]);
        const size_t slot = keptSlot(key);
        if (allExisted && kept[slot] != 0) {
            // a repeat: drop it and undo the links it made
            for (int edge : linkedAsSecond) {
                if (edge >= 0)
                    info.edges[edge].secondTri = -1;
            }
            continue;
        }
        kept[slot] = key + 1;
        info.triEdges.insert(info.triEdges.end(), {edges[0], edges[1], edges[2]});
        StripTri created;
        created.c0 = v[0];
        created.c1 = v[1];
        created.c2 = v[2];
        info.tris.push_back(created);
    }
    info.numTableTris = info.tris.size();
    info.neighbours.resize(info.numTableTris * 3);
    for (size_t k = 0; k < info.triEdges.size(); ++k) {
        info.neighbours[k] = info.OtherTri(info.triEdges[k], static_cast<int>(k / 3));
    }
}

int GetNextIndex(int a, int b, const StripTri& tri, std::string* diagnostics) {
    const int v[3] = {tri.c0, tri.c1, tri.c2};
    for (int i = 0; i < 3; ++i) {
        if (v[i] == a || v[i] == b)
            continue;
        const int o1 = v[(i + 1) % 3];
        const int o2 = v[(i + 2) % 3];
        if (((o1 != a && o1 != b) || (o2 != a && o2 != b)) && diagnostics != nullptr) {
            diagnostics->append("GetNextIndex: Triangle doesn't have all of its vertices\n");
            diagnostics->append("GetNextIndex: Duplicate triangle probably got us derailed\n");
        }
        return v[i];
    }
    if (tri.c0 == tri.c1 || tri.c0 == tri.c2)
        return tri.c0;
    if (tri.c1 == tri.c2)
        return tri.c1;
    return -1;
}
