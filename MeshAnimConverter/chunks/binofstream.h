// binofstream: the binary output file stream every chunk file is written through.
//
// A standard output file stream opened in binary mode (the file is created or truncated) that
// keeps its own copy of the path it was opened with and closes the file when destroyed. It adds
// little-endian writers for the scalar types of the chunk formats and a sticky failure flag:
// once any write, seek or tell has failed, or a position no longer fits the 32-bit fields of the
// format, Good() stays false for the life of the stream, so a writer checks once at the end
// (after Close()) whether the file it produced is complete. The byte layout is unaffected.
#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>

class binofstream : public std::ofstream {
public:
    // Opens `path` (UTF-8 on every platform) for binary writing. Test is_open() before writing.
    explicit binofstream(const char* path);
    ~binofstream() override;

    binofstream(const binofstream&) = delete;
    binofstream& operator=(const binofstream&) = delete;

    // The path the stream was opened with.
    const std::string& Path() const { return m_path; }

    // True while every operation so far succeeded (and the file opened).
    bool Good() const { return !m_failed && !fail(); }

    // Raw bytes, then the little-endian scalars of the formats.
    void WriteBytes(const void* data, std::size_t n);
    void WriteU32(std::uint32_t value);
    void WriteI32(std::int32_t value);
    void WriteU16(std::uint16_t value);
    void WriteF32(float value);
    // A 4-character chunk id, written as its 4 raw bytes; ids shorter than 4 are padded with
    // zero bytes so the framing never slips.
    void WriteId(std::string_view id);

    // Current position as a 32-bit offset; marks the stream failed when it does not fit.
    std::uint32_t Tell();
    // Seeks to an absolute position, or to the end of what has been written.
    void SeekTo(std::uint32_t position);
    void SeekToEnd();

    // Flushes and closes; returns Good() including the outcome of the final flush and close.
    bool Close();

private:
    std::string m_path;
    bool m_failed = false;
};
