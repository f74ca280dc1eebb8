// Quaternion product, conjugate and vector rotation of the skeleton and animation preparation.
//
// Quaternions are (x, y, z, w) with w the scalar part. Every operation is evaluated in 32-bit
// floats in exactly the order written here, so results are the same to the bit on every
// platform (the build forbids fused multiply-adds). Nothing here normalises.
#pragma once

#include "toolkit/gtMath.h"

// a·b, the Hamilton product.
inline gtQuat QuatMultiply(const gtQuat& a, const gtQuat& b) {
    gtQuat r;
    r.w = a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z;
    r.x = a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y;
    r.y = a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x;
    r.z = a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w;
    return r;
}

// (-x, -y, -z, w).
inline gtQuat QuatConjugate(const gtQuat& q) {
    return {-q.x, -q.y, -q.z, q.w};
}

// The rotation matrix of q, row-major: rows (1 - 2(y² + z²), 2(xy - wz), 2(xz + wy)),
// (2(xy + wz), 1 - 2(x² + z²), 2(yz - wx)), (2(xz - wy), 2(yz + wx), 1 - 2(x² + y²)).
inline gtMatrix3 QuatToMatrix(const gtQuat& q) {
    gtMatrix3 m;
    const float x = q.x, y = q.y, z = q.z, w = q.w;
    m.m[0][0] = 1.0f - 2.0f * (y * y + z * z);
    m.m[0][1] = 2.0f * (x * y - w * z);
    m.m[0][2] = 2.0f * (x * z + w * y);
    m.m[1][0] = 2.0f * (x * y + w * z);
    m.m[1][1] = 1.0f - 2.0f * (x * x + z * z);
    m.m[1][2] = 2.0f * (y * z - w * x);
    m.m[2][0] = 2.0f * (x * z - w * y);
    m.m[2][1] = 2.0f * (y * z + w * x);
    m.m[2][2] = 1.0f - 2.0f * (x * x + y * y);
    return m;
}

// The matrix applied to v as a column; each row's sum runs over x, y, z from left to right.
inline gtVector3 MatrixTimesVector(const gtMatrix3& m, const gtVector3& v) {
    return {m.m[0][0] * v.x + m.m[0][1] * v.y + m.m[0][2] * v.z,
            m.m[1][0] * v.x + m.m[1][1] * v.y + m.m[1][2] * v.z,
            m.m[2][0] * v.x + m.m[2][1] * v.y + m.m[2][2] * v.z};
}

// rotate(q, v): v multiplied by the matrix of q.
inline gtVector3 QuatRotate(const gtQuat& q, const gtVector3& v) {
    return MatrixTimesVector(QuatToMatrix(q), v);
}
