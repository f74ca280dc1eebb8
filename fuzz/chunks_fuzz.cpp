// Fuzz target for ChunkReader: reads the form, then walks every chunk, descending into the ids
// that hold nested chunks and reading padded strings from the others, until the first error.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "MeshAnimConverter/chunks/ChunkReader.h"

namespace {

bool IsContainer(const std::string& id) {
    return id == "CHNK" || id == "SKEL" || id == "BONE";
}

void Walk(ChunkReader& in, int depth) {
    while (in.Ok() && !in.AtEnd()) {
        ChunkInfo chunk;
        if (!in.EnterChunk(chunk))
            return;
        std::uint32_t version = 0;
        in.ReadU32(version);
        if (IsContainer(chunk.id) && depth < 64) {
            if (chunk.id == "CHNK") {
                std::uint32_t index = 0;
                in.ReadU32(index);
            }
            Walk(in, depth + 1);
            in.LeaveChunk();
        } else {
            std::string text;
            if (in.Remaining() >= 4)
                in.ReadPaddedString(text);
            float value = 0;
            if (in.Remaining() >= 4)
                in.ReadF32(value);
            std::uint16_t index = 0;
            if (in.Remaining() >= 2)
                in.ReadU16(index);
            in.SkipChunk();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ChunkReader in(std::vector<std::uint8_t>(data, data + size));
    std::string form;
    if (in.ReadForm(form))
        Walk(in, 0);
    if (!in.Ok() && in.Error().empty())
        __builtin_trap();
    return 0;
}
