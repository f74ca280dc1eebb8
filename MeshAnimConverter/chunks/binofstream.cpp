// binofstream: binary output file stream with little-endian writers and a sticky failure flag.
#include "MeshAnimConverter/chunks/binofstream.h"

#include <cstring>
#include <filesystem>
#include <limits>

#include "toolkit/platform/Platform.h"

// ---------------------------------------------------------------------------------------------
// Opening and closing

binofstream::binofstream(const char* path) : m_path(path ? path : "") {
    // the wide-character API on Windows; a name that cannot be converted fails like a bad path
    std::filesystem::path file;
    if (m_path.empty() || !platform::FilesystemPath(m_path.c_str(), file)) {
        m_failed = true;
        setstate(std::ios::failbit);
        return;
    }
    open(file, std::ios::out | std::ios::binary | std::ios::trunc);
    if (!is_open())
        m_failed = true;
}

binofstream::~binofstream() = default;

bool binofstream::Close() {
    if (is_open()) {
        flush();
        if (fail())
            m_failed = true;
        close();
        if (fail())
            m_failed = true;
    }
    return !m_failed;
}

// ---------------------------------------------------------------------------------------------
// Writing

void binofstream::WriteBytes(const void* data, std::size_t n) {
    if (n == 0)
        return;
    write(static_cast<const char*>(data), static_cast<std::streamsize>(n));
    if (fail())
        m_failed = true;
}

void binofstream::WriteU32(std::uint32_t value) {
    const unsigned char bytes[4] = {
        static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
        static_cast<unsigned char>(value >> 16), static_cast<unsigned char>(value >> 24)};
    WriteBytes(bytes, 4);
}

void binofstream::WriteI32(std::int32_t value) {
    WriteU32(static_cast<std::uint32_t>(value));
}

void binofstream::WriteU16(std::uint16_t value) {
    const unsigned char bytes[2] = {static_cast<unsigned char>(value),
                                    static_cast<unsigned char>(value >> 8)};
    WriteBytes(bytes, 2);
}

void binofstream::WriteF32(float value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, 4);
    WriteU32(bits);
}

void binofstream::WriteId(std::string_view id) {
    char bytes[4] = {0, 0, 0, 0};
    for (std::size_t i = 0; i < 4 && i < id.size(); ++i) bytes[i] = id[i];
    WriteBytes(bytes, 4);
}

// ---------------------------------------------------------------------------------------------
// Positions

std::uint32_t binofstream::Tell() {
    const std::streamoff position = tellp();
    if (fail() || position < 0 ||
        position > static_cast<std::streamoff>(std::numeric_limits<std::uint32_t>::max())) {
        m_failed = true;
        return 0;
    }
    return static_cast<std::uint32_t>(position);
}

void binofstream::SeekTo(std::uint32_t position) {
    seekp(static_cast<std::streamoff>(position), std::ios::beg);
    if (fail())
        m_failed = true;
}

void binofstream::SeekToEnd() {
    seekp(0, std::ios::end);
    if (fail())
        m_failed = true;
}
