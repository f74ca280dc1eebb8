// The three smoothing predicates of the tangent-frame passes.
//
// Each compares one face vector of two triangles (normal, tangent or binormal):
// both are normalised, and the triangles may share one vector when the dot
// product is at least the minimum cosine, or when both vectors are zero.
#pragma once

#include "MeshAnimConverter/geometry/TangentFrameGenerator.h"

class CanSmoothNormalsChecker : public TangentFrameGenerator::CanSmoothChecker {
public:
    bool CanSmooth(const TangentFrameGenerator::Triangle& a,
                   const TangentFrameGenerator::Triangle& b, float minCosine) const override;
};

class CanSmoothTangentsChecker : public TangentFrameGenerator::CanSmoothChecker {
public:
    bool CanSmooth(const TangentFrameGenerator::Triangle& a,
                   const TangentFrameGenerator::Triangle& b, float minCosine) const override;
};

class CanSmoothBinormalsChecker : public TangentFrameGenerator::CanSmoothChecker {
public:
    bool CanSmooth(const TangentFrameGenerator::Triangle& a,
                   const TangentFrameGenerator::Triangle& b, float minCosine) const override;
};
