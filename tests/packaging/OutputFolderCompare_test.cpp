// Tests of the output comparison: the draw mask, the canonical chunk text (built .im files whose
// draws differ in length, and files differing elsewhere) and the folder comparison.
#include "OutputFolderCompare.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/TestFiles.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void U32(Bytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

// Byte by byte: GCC 12 reports false overflows for range inserts into small vectors.
void Append(Bytes& b, const std::string& text) {
    for (char c : text) b.push_back(static_cast<std::uint8_t>(c));
}

void Append(Bytes& b, const Bytes& bytes) {
    for (std::uint8_t c : bytes) b.push_back(c);
}

void Id(Bytes& b, const char* id) {
    Append(b, std::string(id, 4));
}

// The length rounded up to a multiple of 4, the text, zero bytes up to that length.
void Padded(Bytes& b, const std::string& text) {
    const std::uint32_t length = (static_cast<std::uint32_t>(text.size()) + 3u) & ~3u;
    U32(b, length);
    Append(b, text);
    Append(b, std::string(length - text.size(), '\0'));
}

// Wraps `payload` as chunk `id`.
Bytes Chunk(const char* id, const Bytes& payload) {
    Bytes b;
    Id(b, id);
    U32(b, static_cast<std::uint32_t>(payload.size()));
    Append(b, payload);
    return b;
}

struct ImParts {
    std::string reference = "*crate*5FF08109*wood*m.onetex";
    std::uint8_t geometryByte = 7;
    std::uint32_t materialTail = 1;
};

// VIRF "IDXM": INFO, one CHNK (version 100, index 0) with MATL and GEOM, then ATCH.
Bytes ImFile(const ImParts& parts) {
    Bytes info, matl, geom, chnk, atch, form;
    U32(info, 104);
    U32(info, 0);
    U32(matl, 0x67);
    Padded(matl, parts.reference);
    U32(matl, parts.materialTail);
    U32(geom, 0xc9);
    Append(geom, Bytes{parts.geometryByte, 0, 0, 0});
    U32(chnk, 100);
    U32(chnk, 0);
    for (const Bytes& c : {Chunk("MATL", matl), Chunk("GEOM", geom)}) Append(chnk, c);
    U32(atch, 1);
    Id(form, "IDXM");
    for (const Bytes& c : {Chunk("INFO", info), Chunk("CHNK", chnk), Chunk("ATCH", atch)})
        Append(form, c);
    return Chunk("VIRF", form);
}

std::string Canonical(const Bytes& bytes) {
    std::string text, error;
    EXPECT_TRUE(CanonicalIndexedMesh(bytes, text, error)) << error;
    return text;
}

std::string AsText(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace

TEST(MaskReferenceName, ReplacesOnlyADrawOfOneToEightUpperCaseHexDigits) {
    const struct {
        const char* name;
        const char* masked;
    } cases[] = {
        {"*crate*5FF08109*wood*m.onetex", "*crate*#*wood*m.onetex"},
        {"*crate*0*wood*m.notex", "*crate*#*wood*m.notex"},
        {"*a*ABCDEF0*b*m.x", "*a*#*b*m.x"},
        {"**1*b*m.x", "**#*b*m.x"},                    // empty base name
        {"*a*123456789*b*m.x", "*a*123456789*b*m.x"},  // nine digits: not a draw
        {"*a**b*m.x", "*a**b*m.x"},                    // no digits
        {"*a*abc*b*m.x", "*a*abc*b*m.x"},              // lower case is never printed
        {"*a*12G4*b*m.x", "*a*12G4*b*m.x"},
        {"*a*1F", "*a*1F"},                // no closing star
        {"plain m.name", "plain m.name"},  // the "m." rule draws nothing
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(MaskReferenceName(c.name), c.masked) << c.name;
}

TEST(CanonicalIndexedMesh, IgnoresTheDrawAndTheSizesItChanges) {
    // 29 characters pad to 32, 28 stay 28: every enclosing size differs by four.
    ImParts eight, seven;
    seven.reference = "*crate*5FF0810*wood*m.onetex";
    ASSERT_NE(ImFile(eight).size(), ImFile(seven).size());
    EXPECT_EQ(Canonical(ImFile(eight)), Canonical(ImFile(seven)));
}

TEST(CanonicalIndexedMesh, EveryDrawGivesTheSameText) {
    const std::string expected = Canonical(ImFile({"*crate*0*wood*m.onetex", 7, 1}));
    for (std::uint32_t draw : {0x1u, 0xFu, 0x10u, 0xFFFu, 0x1000u, 0xFFFFFFFu, 0x10000000u,
                               0x7FFFFFFFu, 0xFFFFFFFFu, 0xDEADBEEFu}) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "%X", draw);
        ImParts parts;
        parts.reference = std::string("*crate*") + hex + "*wood*m.onetex";
        EXPECT_EQ(Canonical(ImFile(parts)), expected) << hex;
    }
}

TEST(CanonicalIndexedMesh, SeesEveryOtherDifference) {
    const std::string base = Canonical(ImFile({}));
    ImParts geometry, tail, material, baseName;
    geometry.geometryByte = 8;
    tail.materialTail = 2;
    material.reference = "*crate*5FF08109*wool*m.onetex";
    baseName.reference = "*crane*5FF08109*wood*m.onetex";
    for (const ImParts& parts : {geometry, tail, material, baseName})
        EXPECT_NE(Canonical(ImFile(parts)), base) << parts.reference;
}

TEST(CanonicalIndexedMesh, RefusesBrokenFraming) {
    Bytes truncated = ImFile({});
    truncated.pop_back();
    Bytes chunkTooLong = ImFile({});
    chunkTooLong[12 + 4] += 1;  // INFO's size now runs into CHNK
    Bytes notChunks(16, 0);
    for (const Bytes& bytes : {truncated, chunkTooLong, notChunks}) {
        std::string text, error;
        EXPECT_FALSE(CanonicalIndexedMesh(bytes, text, error));
        EXPECT_FALSE(error.empty());
    }
}

TEST(CompareOutputFolders, ListsMissingExtraAndDifferentFiles) {
    ScratchFolder dir;
    const std::filesystem::path a = dir.Dir() / "a", b = dir.Dir() / "b";
    std::filesystem::create_directories(a);
    std::filesystem::create_directories(b);
    ImParts other;
    other.reference = "*crate*1*wood*m.onetex";
    dir.Write("a/crate.im", AsText(ImFile({})));
    dir.Write("b/crate.im", AsText(ImFile(other)));
    dir.Write("a/wave.kin", "KIN1");
    dir.Write("b/wave.kin", "KIN1");
    EXPECT_TRUE(CompareOutputFolders(a.string(), b.string()).empty());

    dir.Write("a/wood.texture.txt", "wood.tga\n");
    dir.Write("b/stone.texture.txt", "stone.tga\n");
    dir.Write("b/wave.kin", "KIN2");
    const std::vector<std::string> expected = {
        "missing: wood.texture.txt", "unexpected: stone.texture.txt", "bytes differ: wave.kin"};
    EXPECT_EQ(CompareOutputFolders(a.string(), b.string()), expected);
}

TEST(CompareOutputFolders, ReportsAnUnreadableImFile) {
    ScratchFolder dir;
    const std::filesystem::path a = dir.Dir() / "a", b = dir.Dir() / "b";
    std::filesystem::create_directories(a);
    std::filesystem::create_directories(b);
    dir.Write("a/crate.im", AsText(ImFile({})));
    dir.Write("b/crate.im", "VIRF");
    const std::vector<std::string> differences = CompareOutputFolders(a.string(), b.string());
    ASSERT_EQ(differences.size(), 2u);
    EXPECT_NE(differences[0].find("crate.im: "), std::string::npos);
    EXPECT_EQ(differences[1], "chunks differ: crate.im");
}
