// Chunk operations: framing a chunk file while it is written through a binofstream.
//
// A chunk is its 4-byte id, a 32-bit payload size and the payload; the size is unknown when the
// chunk begins, so BeginChunk writes a zero placeholder and returns its position (the ChunkMark),
// and EndChunk patches it once the payload is complete. Chunks must be ended in strict nesting
// order. Each end costs one seek to the mark and one back to the end of the stream.
#pragma once

#include <cstdint>
#include <string_view>

class binofstream;

// Stream position of a chunk's size field (or of a count patched later).
using ChunkMark = std::uint32_t;

// Writes the id and a zero size placeholder; returns the position of the placeholder.
// For the "VIRF" form chunk the caller then writes the 4-byte form type.
ChunkMark BeginChunk(binofstream& stream, std::string_view id);

// Patches the chunk's size (bytes written after its size field) and returns to the end.
void EndChunk(binofstream& stream, ChunkMark mark);

// A count known only after its items are written: RecordCount writes a 32-bit zero and returns
// its position; PatchCount writes the value there and returns to the end of the stream.
ChunkMark RecordCount(binofstream& stream);
void PatchCount(binofstream& stream, ChunkMark mark, std::uint32_t value);

// Writes `text` as a padded string: the length rounded up to a multiple of 4, the characters,
// then zero bytes up to that length. The empty string is the length 0 alone.
void WritePaddedString(binofstream& stream, std::string_view text);
