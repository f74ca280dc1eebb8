// PmFile: a buffered binary file for the scan and removal passes.
//
// A thin layer over std::filebuf with a 16 KiB buffer, so that the byte-by-byte reading and
// writing the passes are made of costs a memory copy, not a system call. Reads and writes
// return the number of bytes done; a short count is how every failure shows. Positions are
// absolute byte offsets. The file is closed by Close() or on destruction.
#pragma once

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

class PmFile {
public:
    PmFile();
    ~PmFile();

    PmFile(const PmFile&) = delete;
    PmFile& operator=(const PmFile&) = delete;

    // Opens an existing file for reading.
    bool OpenRead(const std::string& path);
    // Creates (or empties) a file and opens it for reading and writing.
    bool Create(const std::string& path);

    std::size_t Read(void* data, std::size_t n);
    std::size_t Write(const void* data, std::size_t n);
    bool ReadU32(std::uint32_t& value);
    bool WriteU32(std::uint32_t value);

    bool Seek(std::uint64_t position);
    // Length of the file; leaves the position at 0.
    bool Length(std::uint64_t& length);
    // Writes out buffered bytes; false when the system refused them.
    bool Flush();
    // Flushes and closes; false when either failed. Closing a closed file succeeds.
    bool Close();

private:
    std::vector<char> m_buffer;
    std::filebuf m_file;
};

// Copies up to `count` bytes (or everything to the end, when `toEnd`) from `from` to `to`.
enum class PmCopyResult { Done, ShortRead, ShortWrite };
PmCopyResult PmCopy(PmFile& from, PmFile& to, std::uint64_t count, bool toEnd);
// Reads and drops `count` bytes; false when the file ends first.
bool PmDrop(PmFile& from, std::uint64_t count);
