// Byte layout of written chunk files: form header, sizes, nesting, padded strings, counts.
#include "MeshAnimConverter/chunks/ChunkWriter.h"

#include "ChunkTestFiles.h"
#include "MeshAnimConverter/chunks/binofstream.h"

namespace {

TEST(ChunkWriter, FormWithoutChunksIsTwelveBytes) {
    ScratchFolder folder;
    const std::string path = folder.File("empty.im");
    {
        binofstream out(path.c_str());
        ASSERT_TRUE(out.is_open());
        const ChunkMark form = BeginChunk(out, "VIRF");
        out.WriteId("IDXM");
        EndChunk(out, form);
        EXPECT_TRUE(out.Close());
    }
    EXPECT_EQ(ReadAll(path), B("VIRF\x04\0\0\0IDXM"));
}

TEST(ChunkWriter, PaddedStrings) {
    struct Case {
        const char* text;
        std::vector<std::uint8_t> bytes;
    };
    const Case cases[] = {
        {"", B("\0\0\0\0")},
        {"abc", B("\x04\0\0\0abc\0")},
        {"abcd", B("\x04\0\0\0abcd")},
        {"abcde", B("\x08\0\0\0abcde\0\0\0")},
    };
    ScratchFolder folder;
    for (const Case& c : cases) {
        const std::string path = folder.File("string.bin");
        {
            binofstream out(path.c_str());
            WritePaddedString(out, c.text);
            EXPECT_TRUE(out.Close());
        }
        EXPECT_EQ(ReadAll(path), c.bytes) << "text '" << c.text << "'";
    }
}

TEST(ChunkWriter, NestedSizesAndWritingAfterInnerChunk) {
    ScratchFolder folder;
    const std::string path = folder.File("nested.im");
    {
        binofstream out(path.c_str());
        const ChunkMark form = BeginChunk(out, "VIRF");
        out.WriteId("IDXM");
        const ChunkMark info = BeginChunk(out, "INFO");
        out.WriteU32(100);
        EndChunk(out, info);
        const ChunkMark outer = BeginChunk(out, "CHNK");
        out.WriteU32(100);
        const ChunkMark inner = BeginChunk(out, "MATL");
        out.WriteU32(100);
        out.WriteU16(0x0201);
        EndChunk(out, inner);
        // After the inner chunk ends, bytes land after it, not at its size field.
        out.WriteU32(0xDDCCBBAA);
        EndChunk(out, outer);
        EndChunk(out, form);
        EXPECT_TRUE(out.Close());
    }
    // INFO: version only, size 4. MATL: version and a u16, size 6.
    // CHNK: version + MATL (14) + 4 trailing bytes = 22. VIRF: "IDXM" + INFO (12) + CHNK (30) = 46.
    const auto expected = B("VIRF\x2E\0\0\0IDXM") + B("INFO\x04\0\0\0\x64\0\0\0") +
                          B("CHNK\x16\0\0\0\x64\0\0\0") + B("MATL\x06\0\0\0\x64\0\0\0\x01\x02") +
                          B("\xAA\xBB\xCC\xDD");
    EXPECT_EQ(ReadAll(path), expected);
    EXPECT_EQ(expected.size(), 46u + 8u);
}

TEST(ChunkWriter, PatchCountAndScalarsAreLittleEndian) {
    ScratchFolder folder;
    const std::string path = folder.File("count.bin");
    {
        binofstream out(path.c_str());
        const ChunkMark count = RecordCount(out);
        out.WriteI32(-2);
        out.WriteF32(1.0f);
        out.WriteF32(-0.0f);
        PatchCount(out, count, 0x01020304);
        out.WriteU16(0xBEEF);
        EXPECT_TRUE(out.Close());
    }
    EXPECT_EQ(ReadAll(path), B("\x04\x03\x02\x01\xFE\xFF\xFF\xFF\0\0\x80\x3F\0\0\0\x80\xEF\xBE"));
}

TEST(Binofstream, KeepsItsPathAndTruncates) {
    ScratchFolder folder;
    std::string path = folder.File("kept.bin");
    WriteAll(path, B("old contents"));
    binofstream out(path.c_str());
    const std::string original = path;
    path.assign("something else");
    EXPECT_EQ(out.Path(), original);
    out.WriteId("ABCD");
    EXPECT_TRUE(out.Close());
    EXPECT_EQ(ReadAll(original), B("ABCD"));
}

TEST(Binofstream, ShortIdIsPaddedWithZeros) {
    ScratchFolder folder;
    const std::string path = folder.File("id.bin");
    binofstream out(path.c_str());
    out.WriteId("AB");
    EXPECT_TRUE(out.Close());
    EXPECT_EQ(ReadAll(path), B("AB\0\0"));
}

TEST(Binofstream, UnopenableFileIsNotGood) {
    ScratchFolder folder;
    binofstream out(folder.File("missing/folder/x.bin").c_str());
    EXPECT_FALSE(out.is_open());
    EXPECT_FALSE(out.Good());
    out.WriteU32(1);
    EXPECT_FALSE(out.Close());
}

}  // namespace
