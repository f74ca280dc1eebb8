// ChunkReader: bounds-checked walk over the chunks of an in-memory file.
#include "MeshAnimConverter/chunks/ChunkReader.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>

#include "toolkit/platform/Platform.h"

namespace {

// Chunk ids shown in messages: printable ASCII as is, any other byte as \xNN.
std::string PrintableId(const std::string& id) {
    std::string text;
    for (unsigned char c : id) {
        if (c >= 0x20 && c < 0x7f && c != '\\') {
            text += static_cast<char>(c);
        } else {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\x%02X", c);
            text += escape;
        }
    }
    return text;
}

std::uint32_t LoadU32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}

}  // namespace

ChunkReader::ChunkReader(std::vector<std::uint8_t> bytes) : m_bytes(std::move(bytes)) {}

bool ChunkReader::LoadFile(const std::string& path, std::vector<std::uint8_t>& bytes,
                           std::string& error) {
    std::filesystem::path file;
    const bool named = platform::FilesystemPath(path.c_str(), file);
    std::ifstream in;
    if (named) {
        in.open(file, std::ios::binary);
    }
    if (!named || !in) {
        error = "Cannot open '" + path + "'";
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        error = "Cannot read '" + path + "'";
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Framing

bool ChunkReader::ReadForm(std::string& formType) {
    if (!Ok())
        return false;
    if (!m_scopes.empty() || m_offset != 0)
        return Fail("The form header can only be read at the start of the file");
    if (m_bytes.size() < 12)
        return Fail("File of %zu bytes is too short for the 12-byte form header", m_bytes.size());
    const std::string magic(reinterpret_cast<const char*>(m_bytes.data()), 4);
    if (magic != "VIRF")
        return Fail("File does not start with \"VIRF\" (found '%s')", PrintableId(magic).c_str());
    const std::uint32_t size = LoadU32(m_bytes.data() + 4);
    if (std::uint64_t{size} + 8u != m_bytes.size())
        return Fail("Form size %u does not match the file length %zu (expected %zu)", size,
                    m_bytes.size(), m_bytes.size() - 8);
    formType.assign(reinterpret_cast<const char*>(m_bytes.data()) + 8, 4);
    m_offset = 12;
    m_scopes.push_back(Scope{"VIRF", 0, m_bytes.size()});
    return true;
}

bool ChunkReader::EnterChunk(ChunkInfo& chunk) {
    if (!Ok())
        return false;
    if (m_scopes.empty())
        return Fail("A chunk can only be read inside the form");
    const Scope& parent = m_scopes.back();
    if (parent.end - m_offset < 8)
        return Fail("Chunk header at offset %zu needs 8 bytes, but '%s' has %zu left", m_offset,
                    PrintableId(parent.id).c_str(), parent.end - m_offset);
    ChunkInfo info;
    info.id.assign(reinterpret_cast<const char*>(m_bytes.data()) + m_offset, 4);
    info.size = LoadU32(m_bytes.data() + m_offset + 4);
    info.start = m_offset;
    info.payload = m_offset + 8;
    if (info.size > parent.end - info.payload)
        return Fail("Chunk '%s' at offset %zu has size %u, past the end of '%s' at offset %zu",
                    PrintableId(info.id).c_str(), info.start, info.size,
                    PrintableId(parent.id).c_str(), parent.end);
    info.end = info.payload + info.size;
    m_offset = info.payload;
    m_scopes.push_back(Scope{info.id, info.start, info.end});
    chunk = std::move(info);
    return true;
}

bool ChunkReader::LeaveChunk() {
    if (!Ok())
        return false;
    if (m_scopes.size() < 2)
        return Fail("No chunk is open");
    const Scope& scope = m_scopes.back();
    if (m_offset != scope.end)
        return Fail("Chunk '%s' at offset %zu has %zu unread bytes at offset %zu",
                    PrintableId(scope.id).c_str(), scope.start, scope.end - m_offset, m_offset);
    m_scopes.pop_back();
    return true;
}

bool ChunkReader::SkipChunk() {
    if (!Ok())
        return false;
    if (m_scopes.size() < 2)
        return Fail("No chunk is open");
    m_offset = m_scopes.back().end;
    m_scopes.pop_back();
    return true;
}

std::size_t ChunkReader::Remaining() const {
    if (!Ok() || m_scopes.empty())
        return 0;
    return m_scopes.back().end - m_offset;
}

// ---------------------------------------------------------------------------------------------
// Values

bool ChunkReader::Take(std::size_t n, const char* what) {
    if (!Ok())
        return false;
    if (m_scopes.empty())
        return Fail("Values can only be read inside the form");
    const Scope& scope = m_scopes.back();
    if (scope.end - m_offset < n)
        return Fail("Reading %s of %zu bytes at offset %zu runs past the end of '%s' at offset %zu",
                    what, n, m_offset, PrintableId(scope.id).c_str(), scope.end);
    return true;
}

bool ChunkReader::ReadU32(std::uint32_t& value) {
    if (!Take(4, "a 32-bit value"))
        return false;
    value = LoadU32(m_bytes.data() + m_offset);
    m_offset += 4;
    return true;
}

bool ChunkReader::ReadI32(std::int32_t& value) {
    std::uint32_t bits = 0;
    if (!ReadU32(bits))
        return false;
    value = static_cast<std::int32_t>(bits);
    return true;
}

bool ChunkReader::ReadU16(std::uint16_t& value) {
    if (!Take(2, "a 16-bit value"))
        return false;
    value = static_cast<std::uint16_t>(m_bytes[m_offset] | m_bytes[m_offset + 1] << 8);
    m_offset += 2;
    return true;
}

bool ChunkReader::ReadF32(float& value) {
    std::uint32_t bits = 0;
    if (!ReadU32(bits))
        return false;
    std::memcpy(&value, &bits, 4);
    return true;
}

bool ChunkReader::ReadBytes(void* data, std::size_t n) {
    if (!Take(n, "raw bytes"))
        return false;
    if (n != 0)
        std::memcpy(data, m_bytes.data() + m_offset, n);
    m_offset += n;
    return true;
}

bool ChunkReader::ReadPaddedString(std::string& text) {
    const std::size_t at = m_offset;
    std::uint32_t length = 0;
    if (!ReadU32(length))
        return false;
    if (length % 4 != 0)
        return Fail("String length %u at offset %zu is not a multiple of 4", length, at);
    if (!Take(length, "a string"))
        return false;
    const char* begin = reinterpret_cast<const char*>(m_bytes.data()) + m_offset;
    const void* zero = std::memchr(begin, 0, length);
    text.assign(begin, zero ? static_cast<const char*>(zero) : begin + length);
    m_offset += length;
    return true;
}

// ---------------------------------------------------------------------------------------------
// Errors

bool ChunkReader::Fail(const char* format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    m_error = text;
    return false;
}
