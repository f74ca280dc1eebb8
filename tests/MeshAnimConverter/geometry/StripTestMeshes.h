// Meshes shaped like the converter's chunks of a height-field export: a
// region of a quad grid written row by row, each quad (a, b, c, d) as the
// triangles (a, b, c) and (a, c, d), vertices numbered in order of first use
// (as welding numbers them), cut at a triangle count.
#pragma once

#include <cstdint>
#include <map>
#include <utility>
#include <vector>

namespace striptest {

inline std::vector<uint16_t> RowOrderRegion(int columns, int rows, size_t maxTriangles) {
    std::map<std::pair<int, int>, int> numbers;
    auto number = [&numbers](int i, int j) {
        const auto found = numbers.emplace(std::pair{i, j}, static_cast<int>(numbers.size()));
        return static_cast<uint16_t>(found.first->second);
    };
    std::vector<uint16_t> idx;
    for (int j = 0; j < rows && idx.size() < maxTriangles * 3; ++j) {
        for (int i = 0; i < columns && idx.size() < maxTriangles * 3; ++i) {
            const uint16_t a = number(i, j);
            const uint16_t b = number(i + 1, j);
            const uint16_t c = number(i + 1, j + 1);
            const uint16_t d = number(i, j + 1);
            idx.insert(idx.end(), {a, b, c});
            if (idx.size() < maxTriangles * 3)
                idx.insert(idx.end(), {a, c, d});
        }
    }
    return idx;
}

}  // namespace striptest
