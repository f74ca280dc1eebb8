// Chunk reader: gives back what the writer wrote, and rejects broken framing with a message.
#include "MeshAnimConverter/chunks/ChunkReader.h"

#include <functional>
#include <memory>
#include <random>

#include "ChunkTestFiles.h"
#include "MeshAnimConverter/chunks/ChunkWriter.h"
#include "MeshAnimConverter/chunks/binofstream.h"

namespace {

// A random tree of chunks. "NODE" chunks hold a version, a count and their children;
// "LEAF" chunks hold a version, a padded string and some 16-bit values.
struct Node {
    std::string id;
    std::uint32_t version = 0;
    std::string text;
    std::vector<std::uint16_t> values;
    std::vector<Node> children;
};

Node RandomTree(std::mt19937& random, int depth) {
    Node node;
    const bool leaf = depth == 0 || random() % 3 == 0;
    node.id = leaf ? "LEAF" : "NODE";
    node.version = random();
    if (leaf) {
        node.text.assign(random() % 12, 'a');
        for (char& c : node.text) c = static_cast<char>('a' + random() % 26);
        node.values.resize(random() % 5);
        for (auto& v : node.values) v = static_cast<std::uint16_t>(random());
    } else {
        const int count = static_cast<int>(random() % 4);
        for (int i = 0; i < count; ++i) node.children.push_back(RandomTree(random, depth - 1));
    }
    return node;
}

void WriteTree(binofstream& out, const Node& node) {
    const ChunkMark mark = BeginChunk(out, node.id);
    out.WriteU32(node.version);
    if (node.id == "LEAF") {
        WritePaddedString(out, node.text);
        for (auto v : node.values) out.WriteU16(v);
    } else {
        out.WriteU32(static_cast<std::uint32_t>(node.children.size()));
        for (const Node& child : node.children) WriteTree(out, child);
    }
    EndChunk(out, mark);
}

// Reads one chunk back into `node`; false on any mismatch of framing.
bool ReadTree(ChunkReader& in, Node& node) {
    ChunkInfo info;
    if (!in.EnterChunk(info) || !in.ReadU32(node.version))
        return false;
    node.id = info.id;
    if (node.id == "LEAF") {
        if (!in.ReadPaddedString(node.text))
            return false;
        while (!in.AtEnd()) {
            std::uint16_t v = 0;
            if (!in.ReadU16(v))
                return false;
            node.values.push_back(v);
        }
    } else {
        std::uint32_t count = 0;
        if (!in.ReadU32(count))
            return false;
        // Children run to the end of the chunk; the stored count must agree.
        while (!in.AtEnd()) {
            node.children.emplace_back();
            if (!ReadTree(in, node.children.back()))
                return false;
        }
        if (count != node.children.size())
            return false;
    }
    return in.LeaveChunk();
}

bool SameTree(const Node& a, const Node& b) {
    if (a.id != b.id || a.version != b.version || a.text != b.text || a.values != b.values ||
        a.children.size() != b.children.size())
        return false;
    for (std::size_t i = 0; i < a.children.size(); ++i)
        if (!SameTree(a.children[i], b.children[i]))
            return false;
    return true;
}

TEST(ChunkReader, RandomTreesReadBackAsWritten) {
    ScratchFolder folder;
    std::mt19937 random(20240607);
    for (int round = 0; round < 200; ++round) {
        std::vector<Node> trees(random() % 4);
        for (Node& tree : trees) tree = RandomTree(random, 4);
        const std::string path = folder.File("tree.bin");
        {
            binofstream out(path.c_str());
            const ChunkMark form = BeginChunk(out, "VIRF");
            out.WriteId("TEST");
            for (const Node& tree : trees) WriteTree(out, tree);
            EndChunk(out, form);
            ASSERT_TRUE(out.Close());
        }
        std::vector<std::uint8_t> bytes;
        std::string error;
        ASSERT_TRUE(ChunkReader::LoadFile(path, bytes, error)) << error;
        ChunkReader in(std::move(bytes));
        std::string form;
        ASSERT_TRUE(in.ReadForm(form)) << in.Error();
        EXPECT_EQ(form, "TEST");
        for (const Node& tree : trees) {
            Node back;
            ASSERT_TRUE(ReadTree(in, back)) << in.Error();
            EXPECT_TRUE(SameTree(tree, back)) << "round " << round;
        }
        EXPECT_TRUE(in.AtEnd());
    }
}

TEST(ChunkReader, PaddedStringStopsAtFirstZero) {
    ChunkReader in(B("VIRF\x18\0\0\0IDXMTEXT\x08\0\0\0\x08\0\0\0ab\0cdefg"));
    // The chunk's 8 payload bytes are only the length and half the text: the string is cut off.
    std::string form;
    ChunkInfo chunk;
    ASSERT_TRUE(in.ReadForm(form));
    ASSERT_TRUE(in.EnterChunk(chunk));
    std::string text;
    EXPECT_FALSE(in.ReadPaddedString(text));
    EXPECT_NE(in.Error().find("runs past the end of 'TEXT'"), std::string::npos) << in.Error();

    ChunkReader whole(B("VIRF\x18\0\0\0IDXMTEXT\x0C\0\0\0\x08\0\0\0ab\0cdefg"));
    ASSERT_TRUE(whole.ReadForm(form));
    ASSERT_TRUE(whole.EnterChunk(chunk));
    ASSERT_TRUE(whole.ReadPaddedString(text));
    EXPECT_EQ(text, "ab");
    EXPECT_TRUE(whole.LeaveChunk());
}

TEST(ChunkReader, FramingErrors) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        const char* message;
    };
    const Case cases[] = {
        {"short file", B("VIRF\x04\0\0"), "too short"},
        {"wrong magic", B("RIFF\x04\0\0\0IDXM"), "does not start with \"VIRF\" (found 'RIFF')"},
        {"size too large", B("VIRF\x05\0\0\0IDXM"), "Form size 5 does not match"},
        {"size too small", B("VIRF\x03\0\0\0IDXM"), "Form size 3 does not match"},
        {"truncated header", B("VIRF\x0A\0\0\0IDXMINFO\0\0"), "needs 8 bytes"},
        {"chunk past form", B("VIRF\x10\0\0\0IDXMINFO\x05\0\0\0\0\0\0\0"),
         "'INFO' at offset 12 has size 5, past the end of 'VIRF'"},
        {"wrapping size", B("VIRF\x0C\0\0\0IDXMINFO\xFF\xFF\xFF\xFF"), "has size 4294967295"},
        {"unprintable id", B("VIRF\x0C\0\0\0IDXM\x01NF\\\x01\0\0\0"), "'\\x01NF\\x5C'"},
    };
    for (const Case& c : cases) {
        ChunkReader in(c.bytes);
        std::string form;
        ChunkInfo chunk;
        const bool ok = in.ReadForm(form) && in.EnterChunk(chunk);
        EXPECT_FALSE(ok) << c.name;
        EXPECT_NE(in.Error().find(c.message), std::string::npos) << c.name << ": " << in.Error();
        // Sticky: nothing reads after an error.
        std::uint32_t value = 0;
        EXPECT_FALSE(in.ReadU32(value)) << c.name;
        EXPECT_EQ(in.Remaining(), 0u) << c.name;
    }
}

TEST(ChunkReader, NestedChunkMustFitItsParent) {
    // CHNK of size 12 holds a MATL claiming 8 payload bytes: 4 bytes too many.
    ChunkReader in(B("VIRF\x18\0\0\0IDXMCHNK\x0C\0\0\0\x64\0\0\0MATL\x08\0\0\0"));
    std::string form;
    ChunkInfo chunk;
    ASSERT_TRUE(in.ReadForm(form));
    ASSERT_TRUE(in.EnterChunk(chunk));
    EXPECT_EQ(chunk.size, 12u);
    std::uint32_t version = 0;
    ASSERT_TRUE(in.ReadU32(version));
    EXPECT_FALSE(in.EnterChunk(chunk));
    EXPECT_NE(in.Error().find("past the end of 'CHNK' at offset 32"), std::string::npos)
        << in.Error();
}

TEST(ChunkReader, LeaveChunkRequiresWholePayloadSkipDoesNot) {
    const auto bytes = B("VIRF\x10\0\0\0IDXMINFO\x04\0\0\0\x64\0\0\0");
    std::string form;
    ChunkInfo chunk;
    ChunkReader strict(bytes);
    ASSERT_TRUE(strict.ReadForm(form) && strict.EnterChunk(chunk));
    EXPECT_FALSE(strict.LeaveChunk());
    EXPECT_NE(strict.Error().find("has 4 unread bytes"), std::string::npos) << strict.Error();

    ChunkReader lenient(bytes);
    ASSERT_TRUE(lenient.ReadForm(form) && lenient.EnterChunk(chunk));
    EXPECT_TRUE(lenient.SkipChunk());
    EXPECT_TRUE(lenient.AtEnd());
    EXPECT_EQ(lenient.Depth(), 1u);
}

TEST(ChunkReader, OddStringLengthIsAFramingError) {
    ChunkReader in(B("VIRF\x10\0\0\0IDXMTEXT\x04\0\0\0\x03\0\0\0"));
    std::string form, text;
    ChunkInfo chunk;
    ASSERT_TRUE(in.ReadForm(form) && in.EnterChunk(chunk));
    EXPECT_FALSE(in.ReadPaddedString(text));
    EXPECT_NE(in.Error().find("not a multiple of 4"), std::string::npos);
}

// Every prefix and every single-byte change of a valid file is read without a crash; the
// walk either succeeds or stops with a message.
TEST(ChunkReader, TruncatedAndFlippedFilesNeverCrash) {
    ScratchFolder folder;
    std::mt19937 random(7);
    const std::string path = folder.File("sweep.bin");
    {
        binofstream out(path.c_str());
        const ChunkMark form = BeginChunk(out, "VIRF");
        out.WriteId("TEST");
        WriteTree(out, RandomTree(random, 3));
        WriteTree(out, RandomTree(random, 3));
        EndChunk(out, form);
        ASSERT_TRUE(out.Close());
    }
    const auto valid = ReadAll(path);
    auto walk = [](std::vector<std::uint8_t> bytes) {
        const std::size_t size = bytes.size();
        ChunkReader in(std::move(bytes));
        std::string form;
        bool ok = in.ReadForm(form);
        while (ok && !in.AtEnd()) {
            Node node;
            ok = ReadTree(in, node);
        }
        // Run under the sanitizers this shows no read outside the data; here, that the reader
        // never moves past it and that a valid prefix is never taken for the whole file.
        EXPECT_LE(in.Offset(), size);
        return ok;
    };
    EXPECT_TRUE(walk(valid));
    for (std::size_t n = 0; n < valid.size(); ++n)
        EXPECT_FALSE(
            walk(std::vector<std::uint8_t>(valid.begin(), valid.begin() + static_cast<long>(n))));
    for (std::size_t i = 0; i < valid.size(); ++i) {
        auto flipped = valid;
        flipped[i] ^= 0xFF;
        walk(flipped);
    }
}

}  // namespace
