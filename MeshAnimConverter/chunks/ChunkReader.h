// ChunkReader: walks a chunk file held in memory and checks its framing.
//
// The reader takes the bytes of a whole file, checks the "VIRF" header (the size field must be
// the file length minus 8) and then lets the caller walk chunks and nested chunks in order:
// EnterChunk reads a chunk header and checks that the chunk fits inside the chunk (or form) that
// encloses it, the Read functions take little-endian values and padded strings from the current
// chunk only, and LeaveChunk / SkipChunk close it again. The first framing error stops the walk:
// every later call returns false and Error() holds one clear message with the byte offset.
// Every call costs O(bytes read); nothing recurses, so no input can exhaust the stack.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct ChunkInfo {
    std::string id;           // the 4 id bytes
    std::uint32_t size = 0;   // payload size as stored
    std::size_t start = 0;    // offset of the header
    std::size_t payload = 0;  // offset of the payload
    std::size_t end = 0;      // offset just past the payload
};

class ChunkReader {
public:
    explicit ChunkReader(std::vector<std::uint8_t> bytes);

    // Loads a whole file (UTF-8 path); false with a message in `error` when it cannot be read.
    static bool LoadFile(const std::string& path, std::vector<std::uint8_t>& bytes,
                         std::string& error);

    // Reads "VIRF", the size and the form type, and opens the form as the outermost scope.
    bool ReadForm(std::string& formType);

    // Opens the next chunk of the current scope; it must lie wholly inside that scope.
    bool EnterChunk(ChunkInfo& chunk);
    // Closes the innermost chunk; every byte of its payload must have been read.
    bool LeaveChunk();
    // Closes the innermost chunk, skipping what is left of its payload.
    bool SkipChunk();

    // Bytes left in the innermost open scope (0 after an error).
    std::size_t Remaining() const;
    bool AtEnd() const { return Remaining() == 0; }
    std::size_t Depth() const { return m_scopes.size(); }
    std::size_t Offset() const { return m_offset; }

    bool ReadU32(std::uint32_t& value);
    bool ReadI32(std::int32_t& value);
    bool ReadU16(std::uint16_t& value);
    bool ReadF32(float& value);
    bool ReadBytes(void* data, std::size_t n);
    // A padded string: its length (a multiple of 4), then that many bytes; the text runs to
    // the first zero byte or the end of those bytes.
    bool ReadPaddedString(std::string& text);

    bool Ok() const { return m_error.empty(); }
    const std::string& Error() const { return m_error; }

private:
    struct Scope {
        std::string id;
        std::size_t start;
        std::size_t end;
    };

#if defined(__MINGW32__)
    [[gnu::format(gnu_printf, 2, 3)]]  // the C++ runtime formats like C99 there too
#else
    [[gnu::format(printf, 2, 3)]]
#endif
    bool
    Fail(const char* format, ...);
    bool Take(std::size_t n, const char* what);

    std::vector<std::uint8_t> m_bytes;
    std::vector<Scope> m_scopes;
    std::size_t m_offset = 0;
    std::string m_error;
};
