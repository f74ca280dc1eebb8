// Smoothed tangent frames for one chunk of triangles, with vertex splitting.
//
// TangentFrameGenerator computes a normal, tangent and binormal at every vertex
// by summing the area-weighted face vectors of the triangles that meet at the
// vertex's position. Triangles that meet at one point are grouped by shared
// edges (compared by position, so texture seams do not separate them); where a
// group's faces cannot share one vector, the vertex is copied and the copy gets
// its own vector. Vertices are never merged.
//
// Usage (per-chunk tangent step of the mesh writer):
//
//   std::vector<TangentFrameGenerator::Vertex> verts = ...;  // position, normal, s, t
//   std::vector<uint32_t> indices = ...;                      // 3 per triangle
//   std::vector<uint32_t> mapping;                            // empty
//   TangentFrameGenerator gen;
//   gen.Generate(verts, indices, mapping, 0.0f, 0.0f, 0.0f);
//
// Afterwards `verts` holds the input vertices (same numbers) followed by the
// copies that were appended, `indices` refers to that grown list (triangle order
// unchanged), and mapping[i] is the input vertex that output vertex i was copied
// from (i itself for i < input count). The normal, tangent and binormal of every
// vertex have been recomputed; a vertex no triangle uses keeps its normal.
//
// Fixed settings: normals weighted fully by triangle area and computed from the
// faces, adjacency by position, no cylindrical texture-wrap fix.
//
// Cost: O(c log c) to sort the c = 3 × triangles corners by position, then per
// position linear in its triangle list (an edge index takes over for long lists).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class TangentFrameGenerator {
public:
    // 14 floats, in this order.
    struct Vertex {
        float position[3];
        float normal[3];
        float s;
        float t;
        float tangent[3];
        float binormal[3];
    };

    // One input triangle during a run.
    struct Triangle {
        uint32_t indices[3];  // current vertex indices, input order
        float faceNormal[3];  // not normalised: length is twice the area
        float faceTangent[3];
        float faceBinormal[3];
        bool handled;
        int32_t group;    // -1 for none
        uint32_t number;  // index of the triangle in the input
    };

    // Answers whether two triangles may share one smoothed vector.
    class CanSmoothChecker {
    public:
        virtual ~CanSmoothChecker() = default;
        virtual bool CanSmooth(const Triangle& a, const Triangle& b, float minCosine) const = 0;
    };

    // Computes the frames. Returns false, and changes nothing, when the index
    // count is not a multiple of 3 or an index is not below the vertex count;
    // any other input succeeds. `mapping` is cleared first.
    bool Generate(std::vector<Vertex>& vertices, std::vector<uint32_t>& indices,
                  std::vector<uint32_t>& mapping, float normalCosine, float tangentCosine,
                  float binormalCosine);

private:
    enum class Pass { kNormals, kTangents, kBinormals };

    void SetUpTriangles(const std::vector<Vertex>& vertices, const std::vector<uint32_t>& indices);
    void BuildPositionMap(const std::vector<Vertex>& vertices);
    void RunPass(Pass pass, size_t positionIndex, std::vector<Vertex>& vertices,
                 std::vector<uint32_t>& mapping);
    void GrowGroup(uint32_t first, const CanSmoothChecker& checker, float minCosine);
    void SplitVertices(Pass pass, size_t positionIndex, std::vector<Vertex>& vertices,
                       std::vector<uint32_t>& mapping);

    // Run parameters.
    float m_normalCosine = 0.0f;
    float m_tangentCosine = 0.0f;
    float m_binormalCosine = 0.0f;
    uint32_t m_inputVertexCount = 0;

    std::vector<Triangle> m_triangles;

    // Position map, flattened: entry i covers m_positionLists[m_positionStarts[i] ..
    // m_positionStarts[i + 1]) and its key is m_positionKeys[i] (x, y, z).
    std::vector<float> m_positionKeys;
    std::vector<uint32_t> m_positionStarts;
    std::vector<uint32_t> m_positionLists;

    // Scratch of the position being processed.
    std::vector<int32_t> m_neighbour1;  // per triangle number, valid for listed triangles
    std::vector<int32_t> m_neighbour2;
    std::vector<std::vector<uint32_t>> m_groups;
    std::vector<uint32_t> m_earlierStamp;  // per vertex: pass stamp when used by an earlier group
    uint32_t m_stamp = 0;
    std::vector<uint32_t> m_growStack;
};
