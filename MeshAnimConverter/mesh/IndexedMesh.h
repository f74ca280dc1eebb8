// IndexedMesh: the welded, chunked form of a generic mesh that the IM writer writes.
//
// One chunk per material (a material with more than kMaxChunkTriangles triangles gets several
// chunks, in face order, each with its own copy of the material); each chunk has its own vertex
// array (position and texture coordinate, plus normals), welded so that equal corners share one
// vertex, and a 16-bit triangle list. The chunks carry their own bone weights
// (chunkInfluences, one list per chunk, every bone of the mesh in each) and the map from each
// vertex to the generic-mesh corner it came from. ExIndexedMesh builds all of it from a
// GenericMesh; the mesh owns everything it holds.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "MeshAnimConverter/mesh/ChunkGeometry.h"
#include "MeshAnimConverter/mesh/GenericMesh.h"
#include "toolkit/gtMath.h"

class ExportUserInterface;

// A material's copy with the chunk's geometry after it.
class IndexedMeshChunk : public GenericMaterial {
public:
    uint32_t VertexCount() const { return static_cast<uint32_t>(vertices.size()); }
    uint32_t TriangleCount() const { return static_cast<uint32_t>(triangles.size()); }
    uint32_t IndexCount() const { return 3u * TriangleCount(); }
    bool HasTangents() const { return hasTangents; }

    float meanTriangleArea = 0.0f;
    uint32_t primitiveCode = 4;         // a plain triangle list
    std::vector<ChunkVertex> vertices;  // x, y, z, u, v
    std::vector<ChunkTriangle> triangles;
    std::vector<gtVector3> normals;   // one per vertex
    std::vector<gtVector3> tangents;  // one per vertex once the tangent step ran
    bool hasTangents = false;
    std::vector<gtVector3> faceNormals;  // one per triangle
    std::vector<int32_t> neighbours;     // three per triangle, only when built
    uint32_t sourceMaterial = 0;         // the generic-mesh material the chunk was built from
};

class IndexedMesh {
public:
    IndexedMesh() = default;
    IndexedMesh(const IndexedMesh&) = delete;
    IndexedMesh& operator=(const IndexedMesh&) = delete;
    virtual ~IndexedMesh();

    uint32_t ChunkCount() const { return static_cast<uint32_t>(chunks.size()); }
    bool HasChunkInfluences() const { return !chunkInfluences.empty(); }

    gtVector3 origin;                                 // always 0, 0, 0
    float orientation[4] = {1.0f, 0.0f, 0.0f, 0.0f};  // always 1, 0, 0, 0
    std::vector<std::unique_ptr<IndexedMeshChunk>> chunks;
    uint32_t vertexTotal = 0;  // after welding and degenerate removal
    uint32_t triangleTotal = 0;
    // One list per chunk, or empty when the generic mesh has no influences.
    std::vector<std::unique_ptr<GenericMeshInfluence>> chunkInfluences;
    // Per chunk: vertex -> the generic-mesh corner it came from.
    std::vector<std::vector<uint32_t>> sourceCorners;
    uint32_t maxBonesPerChunk = 0;
    uint32_t maxInfluencesPerVertex = 0;
    std::vector<uint32_t> influencesPerVertex;  // per chunk
    std::vector<GenericAttachment> attachments;
};

class ExIndexedMesh : public IndexedMesh {
public:
    // Builds the chunks from `mesh`: fan split (for faces of more than three corners), chunks per
    // material, welding, optional neighbours, degenerate removal, totals, bone weights per chunk
    // and the attachment copy. `ui` receives a status before each step and progress per chunk.
    // The chunks are built and welded on up to `threads` threads (each chunk by one thread, the
    // same chunks whatever the count); a thread's exception is thrown again here.
    ExIndexedMesh(const GenericMesh& mesh, bool buildNeighbours, ExportUserInterface& ui,
                  unsigned threads = 1);
    ~ExIndexedMesh() override;
};

// Influence statistics: per chunk the largest number of weights above 0 on one vertex, the
// maximum of those, and the largest number of bones with a weight above 0 in one chunk.
// All 0 when the mesh has no chunk influences.
void ComputeInfluenceStats(IndexedMesh& mesh);
