// ImportMath: the small vector, quaternion and rigid-transform algebra of the importer, in
// 32-bit floats with the converter's conventions: a quaternion is (x, y, z, w), and the product,
// conjugate and rotation follow the converter's skeleton preparation, so parent-relative frames
// written here turn back into the same model-space frames when the converter reads them.
#pragma once

#include <assimp/types.h>

struct Vec3 {
    float x = 0, y = 0, z = 0;
};

struct Quat {
    float x = 0, y = 0, z = 0, w = 1;
};

// A rigid transform: rotate, then translate.
struct Transform {
    Vec3 position;
    Quat rotation;
};

Quat QuatMultiply(const Quat& a, const Quat& b);
Quat QuatConjugate(const Quat& q);
Vec3 QuatRotate(const Quat& q, const Vec3& v);
// The transform relative to `parent`: conj(Pq)·q and conj(Pq) applied to (p − Pp).
Transform RelativeTo(const Transform& parent, const Transform& child);

// The transform applied to a point, and its inverse applied to a point.
Vec3 ApplyTransform(const Transform& t, const Vec3& p);
Vec3 ApplyInverse(const Transform& t, const Vec3& p);
float Length(const Vec3& v);

// Splits an affine matrix into its rigid part and its scale; the rotation is normalised and has
// w >= 0. `scale` (may be null) receives the per-axis scale.
Transform DecomposeTransform(const aiMatrix4x4& m, Vec3* scale);

// The rotation's 3 x 3 matrix written column by column (the rotated x, y and z axes).
void QuatToColumns(const Quat& q, float columns[9]);
// An axis and an angle in degrees; the identity gives the axis (1, 0, 0) and the angle 0.
void QuatToAxisAngle(const Quat& q, float axis[3], float& degrees);
