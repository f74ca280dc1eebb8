// ImportMath: matrix decomposition through assimp, and the conversions to the interchange's matrix
// and axis-angle orientation forms.
#include "tools/import/ImportMath.h"

#include <assimp/types.h>

#include <cmath>

Transform DecomposeTransform(const aiMatrix4x4& m, Vec3* scale) {
    aiVector3D s;
    aiQuaternion q;
    aiVector3D p;
    m.Decompose(s, q, p);
    q.Normalize();
    if (q.w < 0) {
        q.x = -q.x;
        q.y = -q.y;
        q.z = -q.z;
        q.w = -q.w;
    }
    if (scale != nullptr) {
        *scale = Vec3{s.x, s.y, s.z};
    }
    Transform t;
    t.position = Vec3{p.x, p.y, p.z};
    t.rotation = Quat{q.x, q.y, q.z, q.w};
    return t;
}

void QuatToColumns(const Quat& q, float columns[9]) {
    const Vec3 axes[3] = {Rotate(q, Vec3{1, 0, 0}), Rotate(q, Vec3{0, 1, 0}),
                          Rotate(q, Vec3{0, 0, 1})};
    for (int c = 0; c < 3; ++c) {
        columns[3 * c] = axes[c].x;
        columns[3 * c + 1] = axes[c].y;
        columns[3 * c + 2] = axes[c].z;
    }
}

void QuatToAxisAngle(const Quat& q, float axis[3], float& degrees) {
    // atan2 keeps small angles accurate where acos(w) would not
    double x = q.x, y = q.y, z = q.z, w = q.w;
    if (w < 0) {
        x = -x;
        y = -y;
        z = -z;
        w = -w;
    }
    const double s = std::sqrt(x * x + y * y + z * z);
    if (s == 0) {
        axis[0] = 1;
        axis[1] = 0;
        axis[2] = 0;
        degrees = 0;
        return;
    }
    axis[0] = static_cast<float>(x / s);
    axis[1] = static_cast<float>(y / s);
    axis[2] = static_cast<float>(z / s);
    degrees = static_cast<float>(2.0 * std::atan2(s, w) * (180.0 / 3.14159265358979323846));
}
