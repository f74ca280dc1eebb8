// BindPoseCheck: skin both models frame by frame and keep the largest corner distance.
#include "tools/import/BindPoseCheck.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kMaxCornerPoses = 2e7;

Vec3 Skin(const ImportVertex& v, const std::vector<ImportBone>& bones, const Transform* frame) {
    if (v.weightCount == 0) {
        return v.position;
    }
    Vec3 sum;
    for (int k = 0; k < v.weightCount; ++k) {
        const int b = v.boneIds[k];
        const Vec3 p = Apply(frame[b], ApplyInverse(bones[b].bind, v.position));
        sum.x += v.weights[k] * p.x;
        sum.y += v.weights[k] * p.y;
        sum.z += v.weights[k] * p.z;
    }
    return sum;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Entry points

float AnimatedPoseChange(const ImportedModel& atRest, const std::vector<ImportBone>& restBones,
                         const ImportedModel& atBind, const std::vector<ImportBone>& bindBones,
                         const std::vector<ImportAnimation>& animations) {
    const size_t triangles = std::min(atRest.triangles.size(), atBind.triangles.size());
    const size_t bones = restBones.size();
    float change = 0;
    for (const ImportAnimation& animation : animations) {
        const double poses = 3.0 * static_cast<double>(triangles) * animation.frameCount;
        const int stride = static_cast<int>(std::max(1.0, std::ceil(poses / kMaxCornerPoses)));
        for (int f = 0; f < animation.frameCount; f += stride) {
            const Transform* frame = &animation.frames[static_cast<size_t>(f) * bones];
            for (size_t t = 0; t < triangles; ++t) {
                for (int c = 0; c < 3; ++c) {
                    const Vec3 a = Skin(atRest.triangles[t].corners[c], restBones, frame);
                    const Vec3 b = Skin(atBind.triangles[t].corners[c], bindBones, frame);
                    const float d = Length(Vec3{a.x - b.x, a.y - b.y, a.z - b.z});
                    change = std::isfinite(d) ? std::max(change, d) : change;
                }
            }
        }
    }
    return change;
}

float ModelSize(const ImportedModel& model) {
    if (model.triangles.empty()) {
        return 0;
    }
    Vec3 lo = model.triangles[0].corners[0].position, hi = lo;
    for (const ImportTriangle& t : model.triangles) {
        for (const ImportVertex& v : t.corners) {
            lo = Vec3{std::min(lo.x, v.position.x), std::min(lo.y, v.position.y),
                      std::min(lo.z, v.position.z)};
            hi = Vec3{std::max(hi.x, v.position.x), std::max(hi.y, v.position.y),
                      std::max(hi.z, v.position.z)};
        }
    }
    return Length(Vec3{hi.x - lo.x, hi.y - lo.y, hi.z - lo.z});
}
