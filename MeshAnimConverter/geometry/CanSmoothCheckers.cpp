// The three smoothing predicates: one face vector each, same rule for all.
#include "MeshAnimConverter/geometry/CanSmoothCheckers.h"

#include "MeshAnimConverter/geometry/Float3.h"

namespace {

bool CanShare(const float* a, const float* b, float minCosine) {
    const geometry::Float3 na = geometry::NormalizeByLength(geometry::Make3(a));
    const geometry::Float3 nb = geometry::NormalizeByLength(geometry::Make3(b));
    if (geometry::Dot(na, nb) >= minCosine)
        return true;
    return geometry::IsZero(na) && geometry::IsZero(nb);
}

}  // namespace

bool CanSmoothNormalsChecker::CanSmooth(const TangentFrameGenerator::Triangle& a,
                                        const TangentFrameGenerator::Triangle& b,
                                        float minCosine) const {
    return CanShare(a.faceNormal, b.faceNormal, minCosine);
}

bool CanSmoothTangentsChecker::CanSmooth(const TangentFrameGenerator::Triangle& a,
                                         const TangentFrameGenerator::Triangle& b,
                                         float minCosine) const {
    return CanShare(a.faceTangent, b.faceTangent, minCosine);
}

bool CanSmoothBinormalsChecker::CanSmooth(const TangentFrameGenerator::Triangle& a,
                                          const TangentFrameGenerator::Triangle& b,
                                          float minCosine) const {
    return CanShare(a.faceBinormal, b.faceBinormal, minCosine);
}
