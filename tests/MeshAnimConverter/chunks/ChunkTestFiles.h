// Helpers shared by the chunk tests: scratch files and whole-file reads.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/TestFiles.h"

// One file-reading helper for every test: the chunk tests' names for it.
inline std::vector<std::uint8_t> ReadAll(const std::string& path) {
    return ReadFileBytes(path);
}
inline void WriteAll(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    WriteFileBytes(path, bytes);
}

// Bytes from a string literal that may hold zero bytes: B("VIRF\x04\0\0\0").
template <std::size_t N>
std::vector<std::uint8_t> B(const char (&text)[N]) {
    return std::vector<std::uint8_t>(text, text + N - 1);
}

inline std::vector<std::uint8_t> operator+(std::vector<std::uint8_t> a,
                                           const std::vector<std::uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
