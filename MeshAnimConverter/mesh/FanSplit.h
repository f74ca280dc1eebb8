// FanSplit: the triangles of a generic mesh's faces.
//
// A face of three corners is one triangle; a face of n > 3 corners becomes the fan (c0, c1, c2),
// (c0, c2, c3), ..., (c0, cn-2, cn-1). Faces of fewer than three corners give nothing. Corner
// counts above the 32 slots of a face are read as 32. One linear pass over the faces.
#pragma once

#include <cstdint>
#include <vector>

class GenericMesh;

struct TriangleFace {
    int32_t material = 0;
    uint32_t position[3] = {0, 0, 0};
    uint32_t normal[3] = {0, 0, 0};
    uint32_t texCoord[3] = {0, 0, 0};
};

std::vector<TriangleFace> SplitFacesIntoTriangles(const GenericMesh& mesh);
