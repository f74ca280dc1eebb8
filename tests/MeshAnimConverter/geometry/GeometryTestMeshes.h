// Small mesh builders shared by the geometry tests: grids, closed solids and
// random triangle soups, as 16-bit index lists or tangent-generator vertices.
#pragma once

#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "MeshAnimConverter/geometry/TangentFrameGenerator.h"

namespace geomtest {

// A w × h grid of quads over vertices y * (w + 1) + x; quad (x, y) with
// corners a (x, y), b (x + 1, y), c (x, y + 1), d (x + 1, y + 1) gives the
// triangles (a, b, d) and (a, d, c).
inline std::vector<uint16_t> GridIndices(int w, int h) {
    std::vector<uint16_t> idx;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int a = y * (w + 1) + x;
            const int b = a + 1;
            const int c = a + w + 1;
            const int d = c + 1;
            for (int v : {a, b, d, a, d, c}) idx.push_back(static_cast<uint16_t>(v));
        }
    }
    return idx;
}

// Triangles over `vertexCount` vertices with three distinct random indices.
inline std::vector<uint16_t> RandomIndices(int triangles, int vertexCount, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> pick(0, vertexCount - 1);
    std::vector<uint16_t> idx;
    while (static_cast<int>(idx.size()) < triangles * 3) {
        const int a = pick(rng);
        const int b = pick(rng);
        const int c = pick(rng);
        if (a == b || b == c || c == a)
            continue;
        for (int v : {a, b, c}) idx.push_back(static_cast<uint16_t>(v));
    }
    return idx;
}

// A closed cube: 8 corners, 12 outward triangles.
inline std::vector<uint16_t> CubeIndices() {
    return {0, 2, 1, 1, 2, 3, 4, 5, 6, 5, 7, 6, 0, 1, 4, 1, 5, 4,
            2, 6, 3, 3, 6, 7, 0, 4, 2, 2, 4, 6, 1, 3, 5, 3, 7, 5};
}

inline TangentFrameGenerator::Vertex MakeVertex(float x, float y, float z, float s, float t,
                                                float nx = 0.0f, float ny = 0.0f, float nz = 1.0f) {
    TangentFrameGenerator::Vertex v{};
    v.position[0] = x;
    v.position[1] = y;
    v.position[2] = z;
    v.normal[0] = nx;
    v.normal[1] = ny;
    v.normal[2] = nz;
    v.s = s;
    v.t = t;
    return v;
}

// A (w + 1) × (h + 1) vertex grid in the plane z = 0 with s = x / w, t = y / h;
// `bump` lifts z by a smooth function for a curved surface.
inline std::vector<TangentFrameGenerator::Vertex> GridVertices(int w, int h, bool bump) {
    std::vector<TangentFrameGenerator::Vertex> verts;
    for (int y = 0; y <= h; ++y) {
        for (int x = 0; x <= w; ++x) {
            const float fx = static_cast<float>(x);
            const float fy = static_cast<float>(y);
            const float z =
                bump ? 0.3f * static_cast<float>(std::sin(0.7 * x) * std::cos(0.5 * y)) : 0.0f;
            verts.push_back(
                MakeVertex(fx, fy, z, fx / static_cast<float>(w), fy / static_cast<float>(h)));
        }
    }
    return verts;
}

}  // namespace geomtest
