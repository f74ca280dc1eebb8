// Chunk operations over binofstream: begin/end with back-patched sizes, counts, padded strings.
#include "MeshAnimConverter/chunks/ChunkWriter.h"

#include <limits>

#include "MeshAnimConverter/chunks/binofstream.h"

ChunkMark BeginChunk(binofstream& stream, std::string_view id) {
    stream.WriteId(id);
    return RecordCount(stream);
}

void EndChunk(binofstream& stream, ChunkMark mark) {
    const std::uint32_t end = stream.Tell();
    // A mark past the current end can only come from misuse; the failed flag records it.
    std::uint32_t size = 0;
    if (std::uint64_t{end} >= std::uint64_t{mark} + 4u)
        size = end - mark - 4u;
    else
        stream.setstate(std::ios::failbit);
    PatchCount(stream, mark, size);
}

ChunkMark RecordCount(binofstream& stream) {
    const ChunkMark mark = stream.Tell();
    stream.WriteU32(0);
    return mark;
}

void PatchCount(binofstream& stream, ChunkMark mark, std::uint32_t value) {
    stream.SeekTo(mark);
    stream.WriteU32(value);
    stream.SeekToEnd();
}

void WritePaddedString(binofstream& stream, std::string_view text) {
    if (text.size() > std::numeric_limits<std::uint32_t>::max() - 3u) {
        stream.setstate(std::ios::failbit);
        return;
    }
    const auto length = static_cast<std::uint32_t>(text.size());
    const std::uint32_t padded = (length + 3u) & ~3u;
    static const char kZeros[4] = {0, 0, 0, 0};
    stream.WriteU32(padded);
    stream.WriteBytes(text.data(), length);
    stream.WriteBytes(kZeros, padded - length);
}
