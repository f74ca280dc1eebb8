// Welding one chunk's vertices and removing degenerate triangles.
#include "MeshAnimConverter/mesh/ChunkWelding.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kKeySize = 8;

struct WeldKey {
    float c[kKeySize];
};

WeldKey MakeKey(const ChunkVertex& v, const gtVector3& n) {
    return {{v.x, v.y, v.z, v.u, v.v, n.x, n.y, n.z}};
}

// Total order on floats for sorting: numbers in their usual order (-0.0 equivalent to 0.0),
// every NaN after every number and equivalent to the other NaNs.
int CompareForSort(float a, float b) {
    const bool aNan = std::isnan(a);
    const bool bNan = std::isnan(b);
    if (aNan || bNan) {
        return aNan == bNan ? 0 : (aNan ? 1 : -1);
    }
    return a < b ? -1 : (b < a ? 1 : 0);
}

// Exact comparison: corners weld only when every component compares equal.
bool KeysEqual(const WeldKey& a, const WeldKey& b) {
    for (int i = 0; i < kKeySize; ++i) {
        if (!(a.c[i] == b.c[i])) {
            return false;
        }
    }
    return true;
}

struct DuplicatePair {
    uint32_t duplicate;
    uint32_t keeper;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Entry points

uint32_t WeldChunkVertices(std::vector<ChunkVertex>& vertices, std::vector<gtVector3>& normals,
                           std::vector<ChunkTriangle>& triangles,
                           std::vector<uint32_t>& sourceCorners) {
    const uint32_t count = static_cast<uint32_t>(vertices.size());
    if (count < 2) {
        return 0;
    }

    // sort vertex numbers by key, then by number
    std::vector<WeldKey> keys(count);
    for (uint32_t i = 0; i < count; ++i) {
        keys[i] = MakeKey(vertices[i], normals[i]);
    }
    std::vector<uint32_t> order(count);
    for (uint32_t i = 0; i < count; ++i) {
        order[i] = i;
    }
    std::sort(order.begin(), order.end(), [&keys](uint32_t a, uint32_t b) {
        const WeldKey& ka = keys[a];
        const WeldKey& kb = keys[b];
        for (int i = 0; i < kKeySize; ++i) {
            const int c = CompareForSort(ka.c[i], kb.c[i]);
            if (c != 0) {
                return c < 0;
            }
        }
        return a < b;
    });

    // the first of each run of equal keys keeps its place; the others are duplicates
    std::vector<DuplicatePair> pairs;
    uint32_t keeper = order[0];
    for (uint32_t s = 1; s < count; ++s) {
        const uint32_t vertex = order[s];
        if (KeysEqual(keys[vertex], keys[keeper])) {
            pairs.push_back({vertex, keeper});
        } else {
            keeper = vertex;
        }
    }
    if (pairs.empty()) {
        return 0;
    }
    std::sort(pairs.begin(), pairs.end(), [](const DuplicatePair& a, const DuplicatePair& b) {
        return a.duplicate < b.duplicate;
    });

    std::vector<uint8_t> isDuplicate(count, 0);
    for (const DuplicatePair& pair : pairs) {
        isDuplicate[pair.duplicate] = 1;
    }
    std::vector<uint32_t> newNumber(count);
    for (uint32_t i = 0; i < count; ++i) {
        newNumber[i] = i;
    }

    // fill the duplicates' slots with the last vertices that are not duplicates
    int64_t cursor = static_cast<int64_t>(count) - 1;
    for (const DuplicatePair& pair : pairs) {
        while (cursor >= static_cast<int64_t>(pair.duplicate)) {
            const uint32_t from = static_cast<uint32_t>(cursor);
            --cursor;
            // duplicates below the current pair were handled already and lie below the cursor
            if (isDuplicate[from] != 0) {
                continue;
            }
            vertices[pair.duplicate] = vertices[from];
            normals[pair.duplicate] = normals[from];
            newNumber[from] = pair.duplicate;
            break;
        }
    }
    for (const DuplicatePair& pair : pairs) {
        newNumber[pair.duplicate] = newNumber[pair.keeper];
    }

    for (ChunkTriangle& triangle : triangles) {
        for (uint16_t& corner : triangle.v) {
            corner = static_cast<uint16_t>(newNumber[corner]);
        }
    }
    for (uint32_t i = 0; i < count; ++i) {
        std::swap(sourceCorners[i], sourceCorners[newNumber[i]]);
    }

    const uint32_t removed = static_cast<uint32_t>(pairs.size());
    const uint32_t remaining = count - removed;
    vertices.resize(remaining);
    normals.resize(remaining);
    sourceCorners.resize(remaining);
    return removed;
}

uint32_t RemoveDegenerateTriangles(std::vector<ChunkTriangle>& triangles) {
    std::vector<size_t> degenerate;
    for (size_t t = 0; t < triangles.size(); ++t) {
        const ChunkTriangle& tri = triangles[t];
        if (tri.v[0] == tri.v[1] || tri.v[1] == tri.v[2] || tri.v[0] == tri.v[2]) {
            degenerate.push_back(t);
        }
    }
    for (size_t k = degenerate.size(); k > 0; --k) {
        triangles[degenerate[k - 1]] = triangles.back();
        triangles.pop_back();
    }
    return static_cast<uint32_t>(degenerate.size());
}
