// PmFileBuilder: builds progressive-mesh test files in memory, byte by byte.
//
// Chunks are begun and ended like the real writers do, but the sizes are patched in a plain
// byte vector, independent of the library under test and of the project's chunk writer.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

class PmFileBuilder {
public:
    std::vector<std::uint8_t> bytes;

    PmFileBuilder& Id(const char* id) {
        bytes.insert(bytes.end(), id, id + 4);
        return *this;
    }
    PmFileBuilder& U32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
        return *this;
    }
    PmFileBuilder& Fill(std::size_t n, std::uint8_t value) {
        bytes.insert(bytes.end(), n, value);
        return *this;
    }
    std::size_t Begin(const char* id) {
        Id(id);
        const std::size_t mark = bytes.size();
        U32(0);
        return mark;
    }
    void End(std::size_t mark) {
        const auto size = static_cast<std::uint32_t>(bytes.size() - mark - 4);
        std::memcpy(bytes.data() + mark, &size, 4);  // tests run on little-endian hosts
    }

    // "VIRF", a size placeholder and the form type; finish with End(form).
    std::size_t Form(const char* type = "IDXM") {
        const std::size_t mark = Begin("VIRF");
        Id(type);
        return mark;
    }
    // INFO with the number of words its version calls for.
    void Info(std::uint32_t version = 104) {
        const std::size_t mark = Begin("INFO");
        U32(version);
        const int words = 8 + (version >= 102 ? 2 : 0) + (version >= 104 ? 6 : 0);
        for (int i = 0; i < words; ++i) U32(0x3F800000u + static_cast<std::uint32_t>(i));
        End(mark);
    }
    // A chunk of `total` bytes in all (header included) with a version and filler.
    void Leaf(const char* id, std::size_t total, std::uint8_t fill = 0xAB) {
        const std::size_t mark = Begin(id);
        U32(100);
        Fill(total - 12, fill);
        End(mark);
    }
    // CHNK header, version and index; then MATL and GEOM of the given totals. End it yourself.
    std::size_t Chunk(std::uint32_t index, std::size_t matl = 40, std::size_t geom = 60) {
        const std::size_t mark = Begin("CHNK");
        U32(100).U32(index);
        Leaf("MATL", matl, 0x11);
        Leaf("GEOM", geom, 0x22);
        return mark;
    }

    std::uint32_t At(std::size_t offset) const {
        std::uint32_t v = 0;
        std::memcpy(&v, bytes.data() + offset, 4);
        return v;
    }
};
