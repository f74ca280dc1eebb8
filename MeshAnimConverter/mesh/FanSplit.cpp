// Splitting faces into triangle fans.
#include "MeshAnimConverter/mesh/FanSplit.h"

#include "MeshAnimConverter/mesh/GenericMesh.h"

// ---------------------------------------------------------------------------------------------
// Entry points

std::vector<TriangleFace> SplitFacesIntoTriangles(const GenericMesh& mesh) {
    std::vector<TriangleFace> triangles;
    triangles.reserve(static_cast<size_t>(mesh.numFaces));
    for (int32_t f = 0; f < mesh.numFaces; ++f) {
        const GenericFace& face = mesh.faces[f];
        int32_t corners = face.numCorners;
        corners = corners > GenericLimits::kMaxCorners ? GenericLimits::kMaxCorners : corners;
        for (int32_t c = 2; c < corners; ++c) {
            const int32_t slots[3] = {0, c - 1, c};
            TriangleFace& t = triangles.emplace_back();
            t.material = face.materialIndex;
            for (int k = 0; k < 3; ++k) {
                t.position[k] = static_cast<uint32_t>(face.positionIndices[slots[k]]);
                t.normal[k] = static_cast<uint32_t>(face.normalIndices[slots[k]]);
                t.texCoord[k] = static_cast<uint32_t>(face.texCoordIndices[slots[k]]);
            }
        }
    }
    return triangles;
}
