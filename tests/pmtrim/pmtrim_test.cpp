// pmtrim through its exports: scan messages, removal passes, counts, output naming, the error
// text, and the cases the library settles itself (copies, replaced outputs, broken sizes).
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "MeshAnimConverter/chunks/ChunkReader.h"
#include "PmFileBuilder.h"
#include "PmTrimLibrary.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kPastEnd = "Chunk extends past end of file, processing stopped.";
constexpr const char* kNoEnclosing =
    "Cannot find \"CHNK\" chunk enclosing \"NINF\", processing stopped.";

std::vector<std::uint8_t> ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// The byte sequence `bytes` without [start, start + length).
std::vector<std::uint8_t> Without(std::vector<std::uint8_t> bytes, std::size_t start,
                                  std::size_t length) {
    bytes.erase(bytes.begin() + static_cast<long>(start),
                bytes.begin() + static_cast<long>(start + length));
    return bytes;
}

std::vector<std::string> Listing(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

int OpenDescriptors() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd")) ++count;
    return count;
}

// A small valid file: INFO, CHNK 0 with a NINF, CHNK 1, a PMIN, then INFL.
std::vector<std::uint8_t> SampleFile() {
    PmFileBuilder b;
    const auto form = b.Form();
    b.Info();
    auto chunk = b.Chunk(0);
    b.Leaf("NINF", 48);
    b.End(chunk);
    chunk = b.Chunk(1);
    b.End(chunk);
    b.Leaf("PMIN", 32);
    b.Leaf("INFL", 20);
    b.End(form);
    return b.bytes;
}

class PmTrim : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder = fs::temp_directory_path() / (std::string("vantok_pmtrim_") + info->name());
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
    void TearDown() override { fs::remove_all(folder); }

    std::string Path(const std::string& name) const { return (folder / name).string(); }
    bool Convert(const std::string& source, const char* destination = nullptr) {
        return lib.Converter(source.c_str(), destination);
    }
    std::string Error() const { return lib.GetError(); }

    PmTrimLibrary& lib = PmTrimLibrary::Get();
    fs::path folder;
};

// ---------------------------------------------------------------------------------------------
// Scan messages

TEST_F(PmTrim, ScanMessages) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        const char* message;
    };
    std::vector<Case> cases;
    cases.push_back({"short header", {'V', 'I', 'R', 'F', 4, 0}, "File read error in file header"});
    {
        PmFileBuilder b;
        b.Id("CFIL").U32(4).Id("IDXM");
        cases.push_back(
            {"built-in content", b.bytes, "Cannot decode built-in content, processing stopped."});
    }
    {
        PmFileBuilder b;
        b.Id("RIFF").U32(4).Id("IDXM");
        cases.push_back(
            {"not VIRF", b.bytes, "Cannot find \"VIRF\" Vorn file ID, processing stopped."});
    }
    {
        PmFileBuilder b;
        const auto form = b.Form("ANIM");
        b.Info();
        b.End(form);
        cases.push_back(
            {"ANIM form", b.bytes,
             "Cannot find \"IDXM\" Vorn Progressive Mesh file type ID, processing stopped."});
    }
    {
        PmFileBuilder b;
        const auto form = b.Form();
        b.End(b.Chunk(0));
        b.End(form);
        cases.push_back({"no INFO", b.bytes, "Cannot find \"INFO\" chunk."});
    }
    {
        // An ATCH of size 0 at the very end: its header has no room for the version.
        PmFileBuilder b;
        const auto form = b.Form();
        b.Info();
        b.Id("ATCH").U32(0);
        b.End(form);
        cases.push_back({"short chunk header", b.bytes, "File read error in Chunk Header"});
    }
    {
        PmFileBuilder b;
        const auto form = b.Form();
        b.Info();
        b.Leaf("MATL", 16);
        b.End(form);
        cases.push_back(
            {"MATL at top level", b.bytes, "Cannot identify chunk..  processing stopped"});
    }
    for (const Case& c : cases) {
        const std::string source = Path("case.pm");
        WriteAll(source, c.bytes);
        EXPECT_FALSE(Convert(source)) << c.name;
        EXPECT_EQ(Error(), c.message) << c.name;
        EXPECT_EQ(Listing(folder), std::vector<std::string>{"case.pm"}) << c.name;
    }
    EXPECT_FALSE(Convert(Path("missing.pm")));
    EXPECT_EQ(Error(), "File Not Found.");
}

TEST_F(PmTrim, MatlAndGeomInsideChunkAreSkipped) {
    const auto bytes = SampleFile();
    WriteAll(Path("model.pm"), bytes);
    ASSERT_TRUE(Convert(Path("model.pm"))) << Error();
    EXPECT_EQ(lib.GetChunkCount(), 2);
    EXPECT_EQ(lib.GetRemovedCount(), 2);
}

// ---------------------------------------------------------------------------------------------
// Removal passes

TEST_F(PmTrim, NinfOf200InsideChunkOf1000) {
    PmFileBuilder b;
    const auto form = b.Form();
    b.Info();
    const std::size_t chunkStart = b.bytes.size();
    // 4 (version) + 4 (index) + 392 + 400 + 200 = 1000
    const auto chunk = b.Chunk(0, 392, 400);
    const std::size_t ninfStart = b.bytes.size();
    b.Leaf("NINF", 200, 0x5A);
    b.End(chunk);
    b.Leaf("INFL", 24);
    b.End(form);
    ASSERT_EQ(b.At(chunkStart + 4), 1000u);
    WriteAll(Path("mesh.pm"), b.bytes);

    ASSERT_TRUE(Convert(Path("mesh.pm"))) << Error();
    auto expected = Without(b.bytes, ninfStart, 200);
    const std::uint32_t chunkSize = 800;
    const auto virfSize = static_cast<std::uint32_t>(b.bytes.size() - 8 - 200);
    std::memcpy(expected.data() + chunkStart + 4, &chunkSize, 4);
    std::memcpy(expected.data() + 4, &virfSize, 4);
    const auto result = ReadAll(Path("mesh.im"));
    EXPECT_EQ(result.size(), b.bytes.size() - 200);
    EXPECT_EQ(result, expected);
    EXPECT_EQ(lib.GetChunkCount(), 1);
    EXPECT_EQ(lib.GetRemovedCount(), 1);
    // The source stays, the working files are gone.
    EXPECT_EQ(Listing(folder), (std::vector<std::string>{"mesh.im", "mesh.pm"}));
}

TEST_F(PmTrim, ThreeNinfAndOnePminGiveCountsFourAndFour) {
    PmFileBuilder b, expected;
    for (PmFileBuilder* f : {&b, &expected}) {
        const bool full = f == &b;
        const auto form = f->Form();
        f->Info();
        auto chunk = f->Chunk(0);
        if (full) {
            f->Leaf("NINF", 30, 1);
            f->Leaf("NINF", 40, 2);
        }
        f->End(chunk);
        f->Leaf("SKEL", 20);
        chunk = f->Chunk(1, 28, 36);
        if (full)
            f->Leaf("NINF", 50, 3);
        f->End(chunk);
        if (full)
            f->Leaf("PMIN", 64, 4);
        f->Leaf("ATCH", 16);
        f->End(form);
    }
    WriteAll(Path("four.pm"), b.bytes);
    ASSERT_TRUE(Convert(Path("four.pm"), "four.im")) << Error();
    EXPECT_EQ(lib.GetChunkCount(), 4);
    EXPECT_EQ(lib.GetRemovedCount(), 4);
    EXPECT_EQ(ReadAll(Path("four.im")), expected.bytes);
}

// With a file-size limit between the two possible first results, only removing the later
// PMIN first can succeed; with the sizes the other way round, the first pass fails.
TEST_F(PmTrim, TwoPminRemovedLastFirst) {
    for (const bool laterIsLarger : {true, false}) {
        const std::size_t first = laterIsLarger ? 100 : 3000;
        const std::size_t second = laterIsLarger ? 3000 : 100;
        PmFileBuilder b;
        const auto form = b.Form();
        b.Info();
        b.End(b.Chunk(0));
        b.Leaf("PMIN", first, 1);
        b.Leaf("INFL", 40);
        b.Leaf("PMIN", second, 2);
        b.End(form);
        const std::string source = Path("two.pm");
        WriteAll(source, b.bytes);
        fs::remove(Path("two.im"));

        struct rlimit saved {};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limit = saved;
        limit.rlim_cur = b.bytes.size() - 1500;  // between size - 3000 and size - 100
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
        const bool ok = Convert(source);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);

        if (laterIsLarger) {
            ASSERT_TRUE(ok) << Error();
            EXPECT_EQ(lib.GetRemovedCount(), 2);
            EXPECT_EQ(ReadAll(Path("two.im")).size(), b.bytes.size() - 3100);
        } else {
            EXPECT_FALSE(ok);
            EXPECT_EQ(Error(), "file write error");
            EXPECT_EQ(lib.GetChunkCount(), 2);
            EXPECT_EQ(lib.GetRemovedCount(), 0);
            EXPECT_EQ(Listing(folder), std::vector<std::string>{"two.pm"});
        }
    }
}

TEST_F(PmTrim, InfoWordsByVersion) {
    for (const std::uint32_t version : {101u, 102u, 103u, 104u, 250u}) {
        PmFileBuilder b;
        const auto form = b.Form();
        b.Info(version);
        b.End(b.Chunk(0));
        b.End(form);
        const std::size_t payload = b.At(16);
        EXPECT_EQ(payload, version >= 104 ? 68u : version >= 102 ? 44u : 36u);
        WriteAll(Path("info.pm"), b.bytes);
        EXPECT_TRUE(Convert(Path("info.pm"))) << version << ": " << Error();
        EXPECT_EQ(ReadAll(Path("info.im")), b.bytes);
    }
    // A version-101 INFO that holds 16 words: the next header is read inside it.
    PmFileBuilder b;
    const auto form = b.Form();
    const auto info = b.Begin("INFO");
    b.U32(101).Fill(60, 0);
    b.End(info);
    b.End(form);
    WriteAll(Path("info.pm"), b.bytes);
    EXPECT_FALSE(Convert(Path("info.pm")));
    EXPECT_EQ(Error(), "Cannot identify chunk..  processing stopped");
}

// ---------------------------------------------------------------------------------------------
// Names and places

TEST_F(PmTrim, ExtensionCheck) {
    WriteAll(Path("MODEL.PM"), SampleFile());
    EXPECT_TRUE(Convert(Path("MODEL.PM"))) << Error();
    EXPECT_TRUE(fs::exists(Path("MODEL.im")));

    WriteAll(Path("temp.pm"), {1});
    WriteAll(Path("temp1.pm"), {2});
    for (const char* name : {"model.pmx", "model", "model.p", "pm"}) {
        const auto before = Listing(folder);
        EXPECT_FALSE(Convert(Path(name))) << name;
        EXPECT_EQ(Error(), "Not a pm file") << name;
        EXPECT_EQ(Listing(folder), before) << name;
        EXPECT_EQ(ReadAll(Path("temp.pm")), std::vector<std::uint8_t>{1});
    }
    EXPECT_FALSE(lib.Converter(nullptr, nullptr));
    EXPECT_EQ(Error(), "Not a pm file");
}

TEST_F(PmTrim, DestinationNameGoesToTheSourceFolder) {
    fs::create_directories(folder / "in");
    fs::create_directories(folder / "other");
    WriteAll(folder / "in" / "model.pm", SampleFile());
    const std::string source = (folder / "in" / "model.pm").string();
    ASSERT_TRUE(Convert(source, (folder / "other" / "out.im").string().c_str())) << Error();
    EXPECT_TRUE(fs::exists(folder / "in" / "out.im"));
    EXPECT_TRUE(fs::is_empty(folder / "other"));
    // Backslashes separate too.
    ASSERT_TRUE(Convert(source, "C:\\other\\second.im")) << Error();
    EXPECT_EQ(ReadAll(folder / "in" / "second.im"), ReadAll(folder / "in" / "out.im"));
    // An empty destination counts as none.
    ASSERT_TRUE(Convert(source, "")) << Error();
    EXPECT_TRUE(fs::exists(folder / "in" / "model.im"));
}

// Paths are 8-bit strings in the host's code page, which is UTF-8 here.
TEST_F(PmTrim, NonAsciiFolderAndFileNames) {
    const std::string accented = "mod\xC3\xA8le_\xE6\x97\xA5\xE6\x9C\xAC";  // modèle_日本
    fs::create_directories(folder / accented);
    WriteAll(folder / accented / "fig\xC3\xBCr.pm", SampleFile());
    const std::string source = (folder / accented / "fig\xC3\xBCr.pm").string();
    ASSERT_TRUE(Convert(source)) << Error();
    EXPECT_EQ(lib.GetChunkCount(), 2);
    EXPECT_EQ(lib.GetRemovedCount(), 2);
    EXPECT_TRUE(fs::exists(folder / accented / "fig\xC3\xBCr.im"));
    ASSERT_TRUE(Convert(source, "\xCE\xB1\xCE\xB2\xCE\xB3.im")) << Error();  // αβγ.im
    EXPECT_EQ(ReadAll(folder / accented / "\xCE\xB1\xCE\xB2\xCE\xB3.im"),
              ReadAll(folder / accented / "fig\xC3\xBCr.im"));
    EXPECT_EQ(Listing(folder / accented).size(), 3u);  // no working file left
}

TEST_F(PmTrim, OutputReplacesExistingFiles) {
    WriteAll(Path("model.pm"), SampleFile());
    WriteAll(Path("model.im"), {9, 9, 9});
    WriteAll(Path("named.im"), {8, 8});
    ASSERT_TRUE(Convert(Path("model.pm"))) << Error();
    ASSERT_TRUE(Convert(Path("model.pm"), "named.im")) << Error();
    const auto result = ReadAll(Path("model.im"));
    EXPECT_EQ(result.size(), SampleFile().size() - 48 - 32);
    EXPECT_EQ(ReadAll(Path("named.im")), result);
    EXPECT_EQ(ReadAll(Path("model.pm")), SampleFile());
}

TEST_F(PmTrim, ErrorTextSurvivesLaterSuccess) {
    EXPECT_FALSE(Convert(Path("a.txt")));
    WriteAll(Path("model.pm"), SampleFile());
    EXPECT_TRUE(Convert(Path("model.pm")));
    EXPECT_STREQ(lib.GetError(), "Not a pm file");
    // The getters change nothing.
    EXPECT_EQ(lib.GetChunkCount(), lib.GetChunkCount());
    EXPECT_STREQ(lib.GetError(), "Not a pm file");

    // A failure without a message of its own (no chunk after the form header) keeps it too.
    PmFileBuilder b;
    b.End(b.Form());
    WriteAll(Path("empty.pm"), b.bytes);
    EXPECT_FALSE(Convert(Path("empty.pm")));
    EXPECT_STREQ(lib.GetError(), "Not a pm file");
}

TEST_F(PmTrim, ResultsReadBackWithChunkReader) {
    WriteAll(Path("model.pm"), SampleFile());
    ASSERT_TRUE(Convert(Path("model.pm"))) << Error();
    std::vector<std::uint8_t> bytes;
    std::string error;
    ASSERT_TRUE(ChunkReader::LoadFile(Path("model.im"), bytes, error)) << error;
    ChunkReader in(std::move(bytes));
    std::string form;
    ASSERT_TRUE(in.ReadForm(form)) << in.Error();
    EXPECT_EQ(form, "IDXM");
    std::vector<std::string> ids;
    while (!in.AtEnd()) {
        ChunkInfo chunk;
        ASSERT_TRUE(in.EnterChunk(chunk)) << in.Error();
        ids.push_back(chunk.id);
        if (chunk.id == "CHNK") {
            std::uint32_t version = 0, index = 0;
            ASSERT_TRUE(in.ReadU32(version) && in.ReadU32(index));
            while (!in.AtEnd()) {
                ChunkInfo nested;
                ASSERT_TRUE(in.EnterChunk(nested) && in.SkipChunk()) << in.Error();
                ids.push_back(" " + nested.id);
            }
        }
        ASSERT_TRUE(in.SkipChunk());
    }
    EXPECT_EQ(ids, (std::vector<std::string>{"INFO", "CHNK", " MATL", " GEOM", "CHNK", " MATL",
                                             " GEOM", "INFL"}));
}

// ---------------------------------------------------------------------------------------------
// Cases the library settles itself

TEST_F(PmTrim, FileWithoutProgressiveChunksIsCopied) {
    PmFileBuilder b;
    const auto form = b.Form();
    b.Info(102);
    b.End(b.Chunk(0));
    b.Leaf("SKEL", 30);
    b.End(form);
    WriteAll(Path("plain.pm"), b.bytes);
    ASSERT_TRUE(Convert(Path("plain.pm"))) << Error();
    EXPECT_EQ(ReadAll(Path("plain.im")), b.bytes);
    EXPECT_EQ(lib.GetChunkCount(), 0);
    EXPECT_EQ(lib.GetRemovedCount(), 0);
    EXPECT_EQ(Listing(folder), (std::vector<std::string>{"plain.im", "plain.pm"}));
}

TEST_F(PmTrim, BrokenSizesStopTheScan) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        const char* message;
        int chunkCount;
    };
    std::vector<Case> cases;
    auto withChunk = [](const char* id, std::uint32_t size) {
        PmFileBuilder b;
        const auto form = b.Form();
        b.Info();
        b.Id(id).U32(size).U32(100).Fill(8, 0);
        b.End(form);
        return b.bytes;
    };
    cases.push_back({"size past end", withChunk("PMIN", 13), kPastEnd, 0});
    cases.push_back({"size wraps", withChunk("PMIN", 0xFFFFFFF0u), kPastEnd, 0});
    cases.push_back({"unknown id first", withChunk("ABCD", 0xFFFFFFF0u),
                     "Cannot identify chunk..  processing stopped", 0});
    {
        auto bytes = SampleFile();
        bytes[4] += 1;  // "VIRF" size one past the file's end
        cases.push_back({"form past end", bytes, kPastEnd, 0});
        bytes[4] = 3;
        bytes[5] = bytes[6] = bytes[7] = 0;  // end of 11, inside the header
        cases.push_back({"form below header", bytes, kPastEnd, 0});
    }
    {
        PmFileBuilder b;  // GEOM claims more than its CHNK holds
        const auto form = b.Form();
        b.Info();
        const auto chunk = b.Begin("CHNK");
        b.U32(100).U32(0);
        b.Leaf("MATL", 20);
        b.Id("GEOM").U32(40).U32(100).Fill(8, 0);
        b.End(chunk);
        b.Fill(40, 0);
        b.End(form);
        cases.push_back({"nested past chunk", b.bytes, kPastEnd, 0});
    }
    {
        PmFileBuilder b;
        const auto form = b.Form();
        b.Info();
        b.Leaf("NINF", 20);
        b.End(b.Chunk(0));
        b.End(form);
        cases.push_back({"NINF before any CHNK", b.bytes, kNoEnclosing, 1});
    }
    {
        PmFileBuilder b;
        const auto form = b.Form();
        b.Info();
        b.End(b.Chunk(0));
        b.Leaf("NINF", 20);
        b.End(form);
        cases.push_back({"NINF after its CHNK", b.bytes, kNoEnclosing, 1});
    }
    {
        PmFileBuilder b;
        const auto form = b.Form();
        b.Info();
        const auto chunk = b.Chunk(0);
        b.Leaf("PMIN", 20);
        b.End(chunk);
        b.End(form);
        cases.push_back(
            {"PMIN inside CHNK", b.bytes, "Chunk inside \"CHNK\" chunk, processing stopped.", 1});
    }
    for (const Case& c : cases) {
        WriteAll(Path("bad.pm"), c.bytes);
        EXPECT_FALSE(Convert(Path("bad.pm"))) << c.name;
        EXPECT_EQ(Error(), c.message) << c.name;
        EXPECT_EQ(lib.GetChunkCount(), c.chunkCount) << c.name;
        EXPECT_EQ(lib.GetRemovedCount(), 0) << c.name;
        EXPECT_EQ(Listing(folder), std::vector<std::string>{"bad.pm"}) << c.name;
    }
}

TEST_F(PmTrim, FailureInFirstScanKeepsCountReached) {
    // An unknown chunk after a counted NINF stops the first scan.
    PmFileBuilder b;
    const auto form = b.Form();
    b.Info();
    const auto chunk = b.Chunk(0);
    b.Leaf("NINF", 20);
    b.End(chunk);
    b.Id("ABCD").U32(0).U32(0);
    b.End(form);
    WriteAll(Path("later.pm"), b.bytes);
    EXPECT_FALSE(Convert(Path("later.pm")));
    EXPECT_EQ(Error(), "Cannot identify chunk..  processing stopped");
    EXPECT_EQ(lib.GetChunkCount(), 1);
    EXPECT_EQ(lib.GetRemovedCount(), 0);
}

TEST_F(PmTrim, UnwritableWorkingFileAndFailedRename) {
    WriteAll(Path("model.pm"), SampleFile());
    // A folder named temp.pm cannot be deleted or created as a file.
    fs::create_directories(folder / "temp.pm" / "keep");
    const int before = OpenDescriptors();
    EXPECT_FALSE(Convert(Path("model.pm")));
    EXPECT_EQ(Error(), "file open error");
    EXPECT_EQ(OpenDescriptors(), before);
    fs::remove_all(folder / "temp.pm");

    // The output name is a folder that is not empty: the final rename fails.
    fs::create_directories(folder / "out.im" / "keep");
    EXPECT_FALSE(Convert(Path("model.pm"), "out.im"));
    EXPECT_EQ(Error(), "file rename error");
    EXPECT_EQ(OpenDescriptors(), before);
    EXPECT_TRUE(fs::exists(folder / "out.im" / "keep"));
}

TEST_F(PmTrim, WorkingFileNamesAreRefusedAsSources) {
    WriteAll(Path("temp1.pm"), SampleFile());
    EXPECT_FALSE(Convert(Path("temp1.pm")));
    EXPECT_EQ(Error(), "Source file name is used for working files, processing stopped.");
    EXPECT_EQ(ReadAll(Path("temp1.pm")), SampleFile());
}

// Every prefix and every single-byte change of a valid file ends the call, with a message or
// with a result the chunk reader accepts; run under the sanitizers this also shows no bad access.
TEST_F(PmTrim, TruncatedAndFlippedFilesNeverCrash) {
    const auto valid = SampleFile();
    auto run = [&](const std::vector<std::uint8_t>& bytes) {
        WriteAll(Path("sweep.pm"), bytes);
        fs::remove(Path("sweep.im"));
        if (!Convert(Path("sweep.pm")))
            return;
        std::vector<std::uint8_t> out;
        std::string error;
        ASSERT_TRUE(ChunkReader::LoadFile(Path("sweep.im"), out, error));
        EXPECT_LE(out.size(), bytes.size());
    };
    for (std::size_t n = 0; n < valid.size(); ++n)
        run(std::vector<std::uint8_t>(valid.begin(), valid.begin() + static_cast<long>(n)));
    for (std::size_t i = 0; i < valid.size(); ++i) {
        auto flipped = valid;
        flipped[i] ^= 0x5A;
        run(flipped);
    }
}

}  // namespace
