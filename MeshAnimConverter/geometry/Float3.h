// Three-float vector arithmetic for the geometry algorithms.
//
// Everything stays in single precision and is evaluated in the order written
// (x, then y, then z), so results are the same on every platform. Normalising
// divides by the length; a vector whose length is not above zero is left as it is.
#pragma once

#include <cmath>

namespace geometry {

struct Float3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

inline Float3 Make3(const float* v) {
    return Float3{v[0], v[1], v[2]};
}

inline void Store3(const Float3& v, float* out) {
    out[0] = v.x;
    out[1] = v.y;
    out[2] = v.z;
}

inline Float3 Add(const Float3& a, const Float3& b) {
    return Float3{a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Float3 Sub(const Float3& a, const Float3& b) {
    return Float3{a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Float3 Scale(const Float3& a, float s) {
    return Float3{a.x * s, a.y * s, a.z * s};
}
inline float Dot(const Float3& a, const Float3& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

inline Float3 Cross(const Float3& a, const Float3& b) {
    return Float3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

inline float Length(const Float3& a) {
    return std::sqrt(Dot(a, a));
}

// Divides by the length; a zero (or NaN-length) vector is returned unchanged.
inline Float3 NormalizeByLength(const Float3& a) {
    const float len = Length(a);
    if (!(len > 0.0f))
        return a;
    return Float3{a.x / len, a.y / len, a.z / len};
}

inline bool IsZero(const Float3& a) {
    return a.x == 0.0f && a.y == 0.0f && a.z == 0.0f;
}

// Exact comparison: -0.0 equals +0.0, a NaN equals nothing.
inline bool SamePosition(const Float3& a, const Float3& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

}  // namespace geometry
