// PyArrays: NumPy arrays and tuples made from the dump model's fixed-size rows, and text.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <array>
#include <string>
#include <vector>

// Text read from a file as a Python string: bytes that are not UTF-8 become U+FFFD, as in the
// dump's JSON.
inline pybind11::str Text(const std::string& bytes) {
    PyObject* text =
        PyUnicode_DecodeUTF8(bytes.data(), static_cast<Py_ssize_t>(bytes.size()), "replace");
    if (text == nullptr)
        throw pybind11::error_already_set();
    return pybind11::reinterpret_steal<pybind11::str>(text);
}

// An n × N array of the rows (n × 0 rows give an n × 0 array).
template <typename T, std::size_t N>
pybind11::array_t<T> RowsArray(const std::vector<std::array<T, N>>& rows) {
    pybind11::array_t<T> array({rows.size(), N});
    auto view = array.template mutable_unchecked<2>();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        for (std::size_t k = 0; k < N; ++k) view(i, k) = rows[i][k];
    }
    return array;
}

// Columns [first, first + count) of the rows, as an n × count array.
template <typename T, std::size_t N>
pybind11::array_t<T> ColumnsArray(const std::vector<std::array<T, N>>& rows, std::size_t first,
                                  std::size_t count) {
    pybind11::array_t<T> array({rows.size(), count});
    auto view = array.template mutable_unchecked<2>();
    for (std::size_t i = 0; i < rows.size(); ++i) {
        for (std::size_t k = 0; k < count; ++k) view(i, k) = rows[i][first + k];
    }
    return array;
}

template <typename T, std::size_t N>
pybind11::tuple Tuple(const std::array<T, N>& values) {
    pybind11::tuple tuple(N);
    for (std::size_t k = 0; k < N; ++k) tuple[k] = values[k];
    return tuple;
}

// A 3 × 3 array of a matrix stored row by row.
inline pybind11::array_t<float> Matrix3(const std::array<float, 9>& m) {
    pybind11::array_t<float> array({3, 3});
    auto view = array.mutable_unchecked<2>();
    for (int i = 0; i < 9; ++i) view(i / 3, i % 3) = m[static_cast<std::size_t>(i)];
    return array;
}
