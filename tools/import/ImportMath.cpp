// ImportMath: quaternion algebra in float, matrix decomposition through assimp, and the
// conversions to the interchange's matrix and axis-angle orientation forms.
#include "tools/import/ImportMath.h"

#include <assimp/types.h>

#include <cmath>

Quat QuatMultiply(const Quat& a, const Quat& b) {
    Quat r;
    r.w = a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z;
    r.x = a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y;
    r.y = a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x;
    r.z = a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w;
    return r;
}

Quat QuatConjugate(const Quat& q) {
    return Quat{-q.x, -q.y, -q.z, q.w};
}

Vec3 QuatRotate(const Quat& q, const Vec3& v) {
    const float m00 = 1 - 2 * (q.y * q.y + q.z * q.z), m01 = 2 * (q.x * q.y - q.w * q.z),
                m02 = 2 * (q.x * q.z + q.w * q.y);
    const float m10 = 2 * (q.x * q.y + q.w * q.z), m11 = 1 - 2 * (q.x * q.x + q.z * q.z),
                m12 = 2 * (q.y * q.z - q.w * q.x);
    const float m20 = 2 * (q.x * q.z - q.w * q.y), m21 = 2 * (q.y * q.z + q.w * q.x),
                m22 = 1 - 2 * (q.x * q.x + q.y * q.y);
    return Vec3{m00 * v.x + m01 * v.y + m02 * v.z, m10 * v.x + m11 * v.y + m12 * v.z,
                m20 * v.x + m21 * v.y + m22 * v.z};
}

Transform RelativeTo(const Transform& parent, const Transform& child) {
    const Quat inverse = QuatConjugate(parent.rotation);
    Transform local;
    local.rotation = QuatMultiply(inverse, child.rotation);
    local.position = QuatRotate(
        inverse, Vec3{child.position.x - parent.position.x, child.position.y - parent.position.y,
                      child.position.z - parent.position.z});
    return local;
}

Vec3 ApplyTransform(const Transform& t, const Vec3& p) {
    const Vec3 r = QuatRotate(t.rotation, p);
    return Vec3{r.x + t.position.x, r.y + t.position.y, r.z + t.position.z};
}

Vec3 ApplyInverse(const Transform& t, const Vec3& p) {
    return QuatRotate(QuatConjugate(t.rotation),
                      Vec3{p.x - t.position.x, p.y - t.position.y, p.z - t.position.z});
}

float Length(const Vec3& v) {
    return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}

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
    const Vec3 axes[3] = {QuatRotate(q, Vec3{1, 0, 0}), QuatRotate(q, Vec3{0, 1, 0}),
                          QuatRotate(q, Vec3{0, 0, 1})};
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
