// Value types shared by the scene, the meshes and the skeletons: 3-vectors, quaternions (x, y,
// z, w with w the scalar part) and 3x3 / 4x4 matrices, all of 32-bit floats.
//
// Normalising multiplies by the reciprocal square root 1.0f / sqrtf(length squared) and leaves a
// zero vector zero. Sums run over x, y, z (then w) from left to right.
#pragma once

#include <cmath>

struct gtVector3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;

    bool operator==(const gtVector3& o) const { return x == o.x && y == o.y && z == o.z; }
};

struct gtQuat {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float w = 1.0f;

    bool operator==(const gtQuat& o) const { return x == o.x && y == o.y && z == o.z && w == o.w; }
};

// Row-major: m[row][column].
struct gtMatrix3 {
    float m[3][3] = {{1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f}};
};

struct gtMatrix4 {
    float m[4][4] = {{1.0f, 0.0f, 0.0f, 0.0f},
                     {0.0f, 1.0f, 0.0f, 0.0f},
                     {0.0f, 0.0f, 1.0f, 0.0f},
                     {0.0f, 0.0f, 0.0f, 1.0f}};
};

inline gtVector3 operator+(const gtVector3& a, const gtVector3& b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline gtVector3 operator-(const gtVector3& a, const gtVector3& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline gtVector3 operator*(const gtVector3& a, float s) {
    return {a.x * s, a.y * s, a.z * s};
}

inline float Dot(const gtVector3& a, const gtVector3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline gtVector3 Cross(const gtVector3& a, const gtVector3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float LengthSquared(const gtVector3& v) {
    return v.x * v.x + v.y * v.y + v.z * v.z;
}

inline float ReciprocalSqrt(float x) {
    return 1.0f / std::sqrt(x);
}

// Multiplies by the reciprocal square root of the squared length; a zero vector stays zero.
inline gtVector3 Normalise(const gtVector3& v) {
    const float lengthSquared = LengthSquared(v);
    if (!(lengthSquared > 0.0f)) {
        return v;
    }
    const float r = ReciprocalSqrt(lengthSquared);
    return {v.x * r, v.y * r, v.z * r};
}

inline gtQuat Normalise(const gtQuat& q) {
    const float lengthSquared = q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w;
    if (!(lengthSquared > 0.0f)) {
        return q;
    }
    const float r = ReciprocalSqrt(lengthSquared);
    return {q.x * r, q.y * r, q.z * r, q.w * r};
}
