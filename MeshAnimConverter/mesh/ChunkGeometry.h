// ChunkGeometry: the vertex and triangle records of one indexed-mesh chunk.
//
// A chunk vertex is position and texture coordinate (5 floats, the file's layout); its normal,
// tangent and the face normals live in parallel arrays of gtVector3. A triangle is three
// unsigned 16-bit vertex numbers, so a chunk holds at most 65536 vertices.
#pragma once

#include <cstdint>

struct ChunkVertex {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float u = 0.0f;
    float v = 0.0f;
};

struct ChunkTriangle {
    uint16_t v[3] = {0, 0, 0};
};

// The largest number of vertices a chunk's 16-bit triangle corners can address.
constexpr uint32_t kMaxChunkVertices = 65535;
// The largest number of triangles a chunk is built with: 3 corners each stay below 65536.
constexpr uint32_t kMaxChunkTriangles = 21845;
