// Reading back a .glb in the tests: the container, the JSON document and accessor data, and
// the node transforms composed up the hierarchy.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <nlohmann/json.hpp>
#include <vector>

struct Glb {
    nlohmann::json doc;
    std::vector<std::uint8_t> bin;

    // Splits the container; false when its framing is wrong.
    bool Parse(const std::vector<std::uint8_t>& bytes) {
        auto u32 = [&bytes](std::size_t at) {
            std::uint32_t v = 0;
            std::memcpy(&v, bytes.data() + at, 4);
            return v;
        };
        if (bytes.size() < 20 || u32(0) != 0x46546C67u || u32(4) != 2 || u32(8) != bytes.size())
            return false;
        const std::uint32_t jsonLength = u32(12);
        if (u32(16) != 0x4E4F534Au || jsonLength % 4 != 0 || 20 + jsonLength > bytes.size())
            return false;
        doc = nlohmann::json::parse(bytes.begin() + 20, bytes.begin() + 20 + jsonLength);
        const std::size_t at = 20 + jsonLength;
        if (at == bytes.size())
            return true;
        if (at + 8 > bytes.size() || u32(at + 4) != 0x004E4942u || at + 8 + u32(at) != bytes.size())
            return false;
        bin.assign(bytes.begin() + static_cast<long>(at) + 8, bytes.end());
        return true;
    }

    // The accessor's components as doubles, whatever their type.
    std::vector<double> Read(int accessor) const {
        const auto& a = doc["accessors"][accessor];
        const auto& view = doc["bufferViews"][a["bufferView"].get<int>()];
        const std::size_t offset = view.value("byteOffset", 0u);
        const std::size_t width = std::string(a["type"]) == "SCALAR" ? 1
                                  : std::string(a["type"]) == "VEC2" ? 2
                                  : std::string(a["type"]) == "VEC3" ? 3
                                  : std::string(a["type"]) == "VEC4" ? 4
                                                                     : 16;
        const std::size_t n = a["count"].get<std::size_t>() * width;
        std::vector<double> values(n);
        const int type = a["componentType"];
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint8_t* p = bin.data() + offset;
            if (type == 5126) {
                float f;
                std::memcpy(&f, p + 4 * i, 4);
                values[i] = f;
            } else if (type == 5123) {
                std::uint16_t v;
                std::memcpy(&v, p + 2 * i, 2);
                values[i] = v;
            } else if (type == 5125) {
                std::uint32_t v;
                std::memcpy(&v, p + 4 * i, 4);
                values[i] = v;
            } else {
                values[i] = p[i];
            }
        }
        return values;
    }
};

// Rigid transforms as (position, quaternion x y z w) in double.
struct Rigid {
    std::array<double, 3> p{0, 0, 0};
    std::array<double, 4> q{0, 0, 0, 1};
};

inline std::array<double, 4> QMul(const std::array<double, 4>& a, const std::array<double, 4>& b) {
    return {a[3] * b[0] + a[0] * b[3] + a[1] * b[2] - a[2] * b[1],
            a[3] * b[1] - a[0] * b[2] + a[1] * b[3] + a[2] * b[0],
            a[3] * b[2] + a[0] * b[1] - a[1] * b[0] + a[2] * b[3],
            a[3] * b[3] - a[0] * b[0] - a[1] * b[1] - a[2] * b[2]};
}

inline std::array<double, 3> QRotate(const std::array<double, 4>& q,
                                     const std::array<double, 3>& v) {
    const auto r = QMul(QMul(q, {v[0], v[1], v[2], 0}), {-q[0], -q[1], -q[2], q[3]});
    return {r[0], r[1], r[2]};
}

inline Rigid Then(const Rigid& parent, const Rigid& local) {
    Rigid g;
    const auto moved = QRotate(parent.q, local.p);
    for (int i = 0; i < 3; ++i) g.p[i] = parent.p[i] + moved[i];
    g.q = QMul(parent.q, local.q);
    return g;
}

// Column-major 4x4 of a rigid transform.
inline std::array<double, 16> Matrix(const Rigid& r) {
    std::array<double, 16> m{};
    for (int c = 0; c < 3; ++c) {
        std::array<double, 3> axis{0, 0, 0};
        axis[c] = 1;
        const auto column = QRotate(r.q, axis);
        for (int k = 0; k < 3; ++k) m[4 * c + k] = column[k];
    }
    for (int k = 0; k < 3; ++k) m[12 + k] = r.p[k];
    m[15] = 1;
    return m;
}

inline std::array<double, 16> Times(const std::array<double, 16>& a,
                                    const std::array<double, 16>& b) {
    std::array<double, 16> m{};
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            for (int k = 0; k < 4; ++k) m[4 * c + r] += a[4 * k + r] * b[4 * c + k];
    return m;
}

// Rotations equal up to sign.
inline double QDistance(const std::array<double, 4>& a, const std::array<double, 4>& b) {
    double same = 0;
    double opposite = 0;
    for (int i = 0; i < 4; ++i) {
        same = std::max(same, std::fabs(a[i] - b[i]));
        opposite = std::max(opposite, std::fabs(a[i] + b[i]));
    }
    return std::min(same, opposite);
}
