// Triangle areas, face normals and bounding boxes of chunks.
#include "MeshAnimConverter/mesh/ChunkMeasures.h"

#include <cmath>

namespace {

gtVector3 Position(const ChunkVertex& v) {
    return {v.x, v.y, v.z};
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Entry points

float TriangleAreaTwice(const gtVector3& p0, const gtVector3& p1, const gtVector3& p2) {
    const gtVector3 c = Cross(p2 - p0, p1 - p0);
    return std::sqrt(c.x * c.x + c.y * c.y + c.z * c.z);
}

float MeanTriangleArea(float sumOfAreasTwice, uint32_t triangleCount) {
    if (triangleCount == 0) {
        return 0.0f;
    }
    return sumOfAreasTwice / static_cast<float>(2u * triangleCount);
}

void ComputeFaceNormals(const std::vector<ChunkVertex>& vertices,
                        const std::vector<ChunkTriangle>& triangles,
                        std::vector<gtVector3>& faceNormals) {
    faceNormals.resize(triangles.size());
    for (size_t t = 0; t < triangles.size(); ++t) {
        const ChunkTriangle& tri = triangles[t];
        const gtVector3 p0 = Position(vertices[tri.v[0]]);
        const gtVector3 p1 = Position(vertices[tri.v[1]]);
        const gtVector3 p2 = Position(vertices[tri.v[2]]);
        const gtVector3 c = Cross(p1 - p0, p2 - p0);
        const float lengthSquared = c.x * c.x + c.y * c.y + c.z * c.z;
        if (!(lengthSquared > 0.0f)) {
            faceNormals[t] = {0.0f, 0.0f, 1.0f};
            continue;
        }
        const float length = std::sqrt(lengthSquared);
        faceNormals[t] = {c.x / length, c.y / length, c.z / length};
    }
}

void GrowBoundingBox(const std::vector<ChunkVertex>& vertices, gtVector3& minimum,
                     gtVector3& maximum) {
    for (const ChunkVertex& v : vertices) {
        minimum.x = v.x < minimum.x ? v.x : minimum.x;
        minimum.y = v.y < minimum.y ? v.y : minimum.y;
        minimum.z = v.z < minimum.z ? v.z : minimum.z;
        maximum.x = v.x > maximum.x ? v.x : maximum.x;
        maximum.y = v.y > maximum.y ? v.y : maximum.y;
        maximum.z = v.z > maximum.z ? v.z : maximum.z;
    }
}
