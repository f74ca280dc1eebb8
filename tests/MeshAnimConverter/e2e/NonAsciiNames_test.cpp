// Names beyond ASCII through the whole program: input, output and folder names with Latin-1
// accents, Greek and CJK characters, an animation named after its own file; and names that
// cannot be converted for the system (bytes of an ANSI code page, not UTF-8), which on Windows
// fail each former throwing call with the message of its stage instead of ending the process.
// Last, the entry's guard against exceptions that escape the run.
#include <gtest/gtest.h>

#include <filesystem>
#include <new>
#include <stdexcept>
#include <string>

#include "InterchangeBuilder.h"
#include "MeshAnimConverter/chunks/AtomicOutputFile.h"
#include "MeshAnimConverter/chunks/binofstream.h"
#include "MeshAnimConverter/mesh/IndexedMeshWriter.h"
#include "MeshAnimConverter/mesh/TextureDescriptorWriter.h"
#include "OutputFiles.h"
#include "toolkit/gtFileDevice.h"
#include "toolkit/platform/Platform.h"

namespace {

#ifdef _WIN32
constexpr bool kNamesAreBytes = false;
#else
constexpr bool kNamesAreBytes = true;
#endif

const std::string kFolder = "mod\xC3\xA8le_\xE6\x97\xA5\xE6\x9C\xAC";  // modèle_日本
const std::string kInput = "fig\xC3\xBCr.xml";                         // figür.xml
const std::string kOutput = "\xCE\xB1\xCE\xB2\xCE\xB3";                // αβγ
const std::string kAnimation = "Lauf_\xC3\x9F";                        // Lauf_ß
const std::string kImage = "stein_\xC3\xB6";                           // stein_ö
const std::string kAnsi = "\xE9x";  // "éx" in an ANSI code page: not UTF-8

// One textured triangle skinned to one bone, with one animation of two frames (a blank name
// names the file after the output).
InterchangeBuilder Scene(const std::string& animation) {
    InterchangeBuilder b;
    IxTriangle& t = b.triangles.emplace_back();
    for (int c = 0; c < 3; ++c) {
        t.corners[c].position[c] = 1.0f;
        t.corners[c].uv[0] = c == 1 ? 1.0f : 0.0f;
        t.corners[c].weights = {{1, 1.0f}};
    }
    IxMaterial& m = b.materials.emplace_back();
    m.name = "Stone";
    m.textures.push_back({"c:\\art\\" + kImage + ".tga", "diffuse", 1, 1, 1.0f});
    IxBone& bone = b.bones.emplace_back();
    bone.id = 1;
    bone.name = "b.root";
    IxAnimation& a = b.animations.emplace_back();
    a.name = animation;
    IxTrack& track = a.tracks.emplace_back();
    track.target = "b.root";
    track.keys.resize(2);
    return b;
}

bool WriteUtf8File(const std::string& path, const std::string& bytes) {
    std::FILE* file = platform::OpenFile(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

std::string ReadUtf8File(const std::string& path) {
    std::string bytes;
    std::FILE* file = platform::OpenFile(path.c_str(), "rb");
    if (file == nullptr) {
        return "<missing>";
    }
    char buffer[512];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.append(buffer, n);
    }
    std::fclose(file);
    return bytes;
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

struct NonAsciiNames : ::testing::Test {
    ScratchFolder scratch;  // an ASCII temporary folder: its narrow name is also UTF-8
    void TearDown() override { gtSetFileDevice(nullptr); }
    std::string In(const std::string& name) const { return scratch.Path() + kJoin + name; }
    std::string MakeFolder(const std::string& name) const {
        const std::string path = In(name);
        std::filesystem::path native;
        EXPECT_TRUE(platform::FilesystemPath(path.c_str(), native));
        std::filesystem::create_directory(native);
        return path;
    }
};

}  // namespace

TEST_F(NonAsciiNames, ConvertsWithAccentsGreekAndCjkInEveryName) {
    const std::string folder = MakeFolder(kFolder);
    const std::string in = folder + kJoin + kInput;
    ASSERT_TRUE(WriteUtf8File(in, Scene(kAnimation).Text()));
    const std::string out = folder + kJoin + kOutput;
    const ProgramRun run = RunConverter({"-inFile", in, "-outFile", out}, 5u);
    EXPECT_EQ(run.status, 0) << run.console;
    EXPECT_NE(run.console.find("Info: Reading input file: '" + in + "'\n"), std::string::npos)
        << run.console;
    EXPECT_NE(run.console.find("Info: Wrote IM file '" + out + ".im' with:\n"), std::string::npos)
        << run.console;
    const std::string kin = folder + kJoin + kAnimation + ".kin";
    EXPECT_NE(run.console.find("Info: Wrote KIN file '" + kin + "' with:\n"), std::string::npos)
        << run.console;
    EXPECT_TRUE(EndsWith(WithoutElapsedTime(run.console),
                         "Info: Process completed after * with 0 errors and 0 warnings\n"))
        << run.console;

    // the descriptor is named after the image and names it; the map points at it
    EXPECT_EQ(ReadUtf8File(folder + kJoin + kImage + ".texture.txt")
                  .rfind("Primary=" + kImage + ".tga\n", 0),
              0u);
    ImFile im;
    std::string error;
    ASSERT_TRUE(ReadImFile(out + ".im", im, error)) << error;
    ASSERT_EQ(im.chunks.size(), 1u);
    ASSERT_EQ(im.chunks[0].maps.size(), 1u);
    EXPECT_EQ(im.chunks[0].maps[0].fileName, folder + kJoin + kImage + ".texture");
    KinFile animation;
    ASSERT_TRUE(ReadKinFile(kin, animation, error)) << error;
    EXPECT_EQ(animation.name, kAnimation + ".kin");
    EXPECT_EQ(animation.frameCount, 2u);
}

// ---------------------------------------------------------------------------------------------
// Names that cannot be converted

TEST_F(NonAsciiNames, UnconvertibleInputNameFailsToOpen) {
    const std::string in = In(kAnsi + ".xml");  // missing on POSIX, unconvertible on Windows
    const ProgramRun run = RunConverter({"-inFile", in});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.console.find("Error: Failed to open file: '" + in + "'\n"), std::string::npos)
        << run.console;
    EXPECT_TRUE(EndsWith(WithoutElapsedTime(run.console),
                         "Error: Failed to process files\n"
                         "Info: Process completed after * with 2 errors and 0 warnings\n"))
        << run.console;
}

TEST_F(NonAsciiNames, UnconvertibleImNameFailsWithTheWriterMessage) {
    const std::string in = In("plain.xml");
    WriteWholeFile(in, Scene("walk").Text());
    const std::string out = In(kAnsi);
    const ProgramRun run = RunConverter({"-inFile", in, "-outFile", out, "-outputKIN", "false"});
    if (kNamesAreBytes) {
        EXPECT_EQ(run.status, 0) << run.console;
        EXPECT_TRUE(platform::PathExists((out + ".im").c_str()));
        return;
    }
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.console.find("Error: Failed to write IM file: '" + out +
                               ".im'\nError: Failed to process files\n"),
              std::string::npos)
        << run.console;
    EXPECT_TRUE(EndsWith(WithoutElapsedTime(run.console),
                         "Info: Process completed after * with 2 errors and 0 warnings\n"))
        << run.console;
}

TEST_F(NonAsciiNames, UnconvertibleKinNameFailsWithTheWriterMessage) {
    const std::string in = In("plain.xml");
    WriteWholeFile(in, Scene("").Text());  // unnamed: the file is named after -outFile
    const std::string out = In(kAnsi);
    const ProgramRun run = RunConverter({"-inFile", in, "-outFile", out, "-outputIM", "false"});
    if (kNamesAreBytes) {
        EXPECT_EQ(run.status, 0) << run.console;
        EXPECT_TRUE(platform::PathExists((out + ".kin").c_str()));
        return;
    }
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.console.find("Error: Failed to write KIN file: '" + out +
                               ".kin'\nError: Failed to process files\n"),
              std::string::npos)
        << run.console;
}

TEST_F(NonAsciiNames, UnconvertibleDescriptorNameIsANotice) {
    RecordingUserInterface ui;
    TextureDescriptorState state;
    state.imPath = In("model.im").c_str();
    state.ui = &ui;
    state.overwriteAll = false;  // asks whether the descriptor exists first
    gtString map = ("c:\\art\\" + kAnsi + ".tga").c_str();
    WriteTextureDescriptor(state, map, 3, nullptr);
    const std::string descriptor = In(kAnsi + ".texture.txt");
    EXPECT_EQ(std::string(map.c_str()), In(kAnsi + ".texture"));
    if (kNamesAreBytes) {
        EXPECT_TRUE(ui.asked.empty());
        EXPECT_TRUE(platform::PathExists(descriptor.c_str()));
        return;
    }
    ASSERT_EQ(ui.asked.size(), 1u);
    EXPECT_EQ(ui.asked[0], "Could not open texture file " + descriptor + " for writing.\n");
}

TEST_F(NonAsciiNames, UnconvertibleNamesInTheChunkFiles) {
    const std::string target = In(kAnsi + ".im");
    {
        binofstream stream(target.c_str());
        EXPECT_EQ(stream.is_open(), kNamesAreBytes);
        stream.WriteU32(1);
        EXPECT_EQ(stream.Close(), kNamesAreBytes);
    }
    {
        // the temporary name carries the target's name: nothing is written, nothing is left
        AtomicOutputFile file(target);
        binofstream stream(file.TempPath().c_str());
        stream.WriteU32(2);
        EXPECT_EQ(stream.Close(), kNamesAreBytes);
        EXPECT_EQ(file.Commit(), kNamesAreBytes);
    }
    std::vector<std::uint8_t> bytes;
    std::string error;
    const std::string missing = In(kAnsi + "-missing.im");
    EXPECT_FALSE(ChunkReader::LoadFile(missing, bytes, error));
    EXPECT_EQ(error, "Cannot open '" + missing + "'");
    // nothing else was left in the folder
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(scratch.Path())) {
        ++entries;
    }
    EXPECT_EQ(entries, kNamesAreBytes ? 1 : 0);
}

// ---------------------------------------------------------------------------------------------
// The entry's guard

namespace {

// A file device whose every open throws what the test asks for.
class ThrowingDevice : public WinFileDevice {
public:
    explicit ThrowingDevice(bool allocation) : m_allocation(allocation) {}
    int Open(FileHandleBase**, const char*, int) override {
        if (m_allocation) {
            throw std::bad_alloc();
        }
        throw std::runtime_error("cannot convert");
    }

private:
    bool m_allocation;
};

}  // namespace

TEST_F(NonAsciiNames, AnEscapingExceptionFailsTheRunWithTheSummary) {
    struct Case {
        bool allocation;
        std::string errors;
        int count;
    };
    const Case cases[] = {
        {true, "Error: Out of memory.\nError: Failed to process files\n", 2},
        {false, "Error: Failed to process files\n", 1},
    };
    for (const Case& c : cases) {
        WriteWholeFile(In("plain.xml"), Scene("walk").Text());
        ThrowingDevice device(c.allocation);
        gtSetFileDevice(&device);
        const ProgramRun run = RunConverter({"-inFile", In("plain.xml")});
        gtSetFileDevice(nullptr);
        EXPECT_EQ(run.status, 1);
        const std::string console = WithoutElapsedTime(run.console);
        const std::string tail = c.errors + "Info: Process completed after * with " +
                                 std::to_string(c.count) + " errors and 0 warnings\n";
        EXPECT_TRUE(EndsWith(console, tail)) << console;
    }
}
