// ToolMath: the vector, quaternion and rigid-transform vocabulary of the tools (vantok-import and
// vantok-dump), for 32-bit floats (what the files hold) and doubles (the export's arithmetic).
//
// A quaternion is (x, y, z, w), w the scalar part; a rigid transform rotates, then translates.
// The product and the rotation are evaluated in the order the converter's skeleton preparation
// uses (anim/QuatMath.h), so in floats they give its bits: parent-relative frames written by the
// import turn back into the same model-space frames when the converter reads them. The .kin
// files store the conjugate of each model-space rotation: KinRotation and FromKinRotation are the
// one place where that is written. Nothing normalises unless it says so.
#pragma once

#include <array>
#include <cmath>

template <typename T>
struct Vec3T {
    T x = 0, y = 0, z = 0;
    T& operator[](int i) { return i == 0 ? x : i == 1 ? y : z; }
    const T& operator[](int i) const { return i == 0 ? x : i == 1 ? y : z; }
};

template <typename T>
struct QuatT {
    T x = 0, y = 0, z = 0, w = 1;
};

template <typename T>
struct RigidT {
    Vec3T<T> position;
    QuatT<T> rotation;
};

using Vec3 = Vec3T<float>;
using Quat = QuatT<float>;
using Transform = RigidT<float>;
using Vec3d = Vec3T<double>;
using Quatd = QuatT<double>;
using Rigidd = RigidT<double>;

// a·b, the Hamilton product.
template <typename T>
QuatT<T> Multiply(const QuatT<T>& a, const QuatT<T>& b) {
    QuatT<T> r;
    r.w = a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z;
    r.x = a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y;
    r.y = a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x;
    r.z = a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w;
    return r;
}

template <typename T>
QuatT<T> Conjugate(const QuatT<T>& q) {
    return {-q.x, -q.y, -q.z, q.w};
}

// q / |q|; the identity when q has no length (or is not finite).
template <typename T>
QuatT<T> Normalised(const QuatT<T>& q) {
    const T length = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
    if (!(length > 0) || !std::isfinite(length))
        return {};
    return {q.x / length, q.y / length, q.z / length, q.w / length};
}

// v multiplied by the rotation matrix of q (rows summed over x, y, z from left to right).
template <typename T>
Vec3T<T> Rotate(const QuatT<T>& q, const Vec3T<T>& v) {
    const T one = 1, two = 2;
    const T m00 = one - two * (q.y * q.y + q.z * q.z), m01 = two * (q.x * q.y - q.w * q.z),
            m02 = two * (q.x * q.z + q.w * q.y);
    const T m10 = two * (q.x * q.y + q.w * q.z), m11 = one - two * (q.x * q.x + q.z * q.z),
            m12 = two * (q.y * q.z - q.w * q.x);
    const T m20 = two * (q.x * q.z - q.w * q.y), m21 = two * (q.y * q.z + q.w * q.x),
            m22 = one - two * (q.x * q.x + q.y * q.y);
    return {m00 * v.x + m01 * v.y + m02 * v.z, m10 * v.x + m11 * v.y + m12 * v.z,
            m20 * v.x + m21 * v.y + m22 * v.z};
}

template <typename T>
T Length(const Vec3T<T>& v) {
    return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
}

// The transform applied to a point, and its inverse applied to a point.
template <typename T>
Vec3T<T> Apply(const RigidT<T>& t, const Vec3T<T>& p) {
    const Vec3T<T> r = Rotate(t.rotation, p);
    return {r.x + t.position.x, r.y + t.position.y, r.z + t.position.z};
}

template <typename T>
Vec3T<T> ApplyInverse(const RigidT<T>& t, const Vec3T<T>& p) {
    return Rotate(Conjugate(t.rotation),
                  Vec3T<T>{p.x - t.position.x, p.y - t.position.y, p.z - t.position.z});
}

// `local` placed under `parent`: P.q·l.q and P.p + rotate(P.q, l.p).
template <typename T>
RigidT<T> Compose(const RigidT<T>& parent, const RigidT<T>& local) {
    return {Apply(parent, local.position), Multiply(parent.rotation, local.rotation)};
}

// `global` relative to `parent`: conj(P.q)·g.q and conj(P.q) applied to (g.p − P.p).
template <typename T>
RigidT<T> Relative(const RigidT<T>& parent, const RigidT<T>& global) {
    return {ApplyInverse(parent, global.position),
            Multiply(Conjugate(parent.rotation), global.rotation)};
}

// The rotation whose 3 x 3 matrix has the rows `m` (row-major), normalised; the identity when
// a value is not finite.
template <typename T>
QuatT<T> FromRows(const std::array<T, 9>& m) {
    for (T v : m) {
        if (!std::isfinite(v))
            return {};
    }
    const T trace = m[0] + m[4] + m[8];
    QuatT<T> q;
    if (trace > 0) {
        const T s = std::sqrt(trace + 1) * 2;
        q = {(m[7] - m[5]) / s, (m[2] - m[6]) / s, (m[3] - m[1]) / s, s / 4};
    } else if (m[0] > m[4] && m[0] > m[8]) {
        const T s = std::sqrt(1 + m[0] - m[4] - m[8]) * 2;
        q = {s / 4, (m[1] + m[3]) / s, (m[2] + m[6]) / s, (m[7] - m[5]) / s};
    } else if (m[4] > m[8]) {
        const T s = std::sqrt(1 + m[4] - m[0] - m[8]) * 2;
        q = {(m[1] + m[3]) / s, s / 4, (m[5] + m[7]) / s, (m[2] - m[6]) / s};
    } else {
        const T s = std::sqrt(1 + m[8] - m[0] - m[4]) * 2;
        q = {(m[2] + m[6]) / s, (m[5] + m[7]) / s, s / 4, (m[3] - m[1]) / s};
    }
    return Normalised(q);
}

// A model-space rotation as a .kin frame stores it (x, y, z, w of the conjugate), and back.
template <typename T>
std::array<T, 4> KinRotation(const QuatT<T>& modelSpace) {
    const QuatT<T> c = Conjugate(modelSpace);
    return {c.x, c.y, c.z, c.w};
}

template <typename T>
QuatT<T> FromKinRotation(T x, T y, T z, T w) {
    return Conjugate(QuatT<T>{x, y, z, w});
}
