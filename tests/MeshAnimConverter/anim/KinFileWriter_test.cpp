// The KIN writer: the whole file byte by byte for a small skeleton (expected bytes spelled out
// from the format table), the event type table, the failure paths with their messages, atomic
// replacement on a write error, and every written file read back with the chunk reader.
#include "MeshAnimConverter/anim/KinFileWriter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "MeshAnimConverter/driver/LogFile.h"
#include "tests/TestFiles.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#endif

#include "MeshAnimConverter/anim/ConverterExGenericSkeleton.h"
#include "MeshAnimConverter/anim/EventTypeTable.h"
#include "MeshAnimConverter/anim/SkeletonPreparation.h"
#include "MeshAnimConverter/chunks/ChunkReader.h"
#include "tests/MeshAnimConverter/anim/SceneBuilders.h"
#include "tests/MeshAnimConverter/scene/LogCapture.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Lines = std::vector<std::string>;

// ---------------------------------------------------------------- helpers

// Expected bytes, written field by field.
class Expect {
public:
    Expect& Id(const char* id) {
        m_bytes.insert(m_bytes.end(), id, id + 4);
        return *this;
    }
    Expect& I32(int32_t v) {
        uint32_t u = static_cast<uint32_t>(v);
        for (int i = 0; i < 4; ++i) {
            m_bytes.push_back(static_cast<uint8_t>(u >> (8 * i)));
        }
        return *this;
    }
    Expect& F32(float f) {
        int32_t v;
        std::memcpy(&v, &f, 4);
        return I32(v);
    }
    // Length rounded up to 4, the characters, zero padding.
    Expect& Str(const char* text, int32_t paddedLength) {
        const size_t n = std::strlen(text);
        I32(paddedLength);
        m_bytes.insert(m_bytes.end(), text, text + n);
        m_bytes.insert(m_bytes.end(), static_cast<size_t>(paddedLength) - n, 0);
        return *this;
    }
    const Bytes& Get() const { return m_bytes; }
    size_t Size() const { return m_bytes.size(); }

private:
    Bytes m_bytes;
};

// A scene with bones A, B, C, D (B and C under A, D under B), one animation of `frames` global
// frames whose values are exact in float and differ per bone and frame.
struct KinFixture {
    explicit KinFixture(int frames, const char* names[4] = nullptr) {
        static const char* defaults[4] = {"b.A", "b.BB", "b.CCC", "b.D"};
        if (names == nullptr) {
            names = defaults;
        }
        AddBone(scene, names[0], "");
        AddBone(scene, names[1], names[0]);
        AddBone(scene, names[2], names[0]);
        AddBone(scene, names[3], names[1]);
        LogCapture quiet;
        ResolveSkeleton(scene, programLog);
        SceneAnimation& a = scene.animations.AddNew();
        a.name = "walk";
        a.frameRate = 30;
        for (int b = 0; b < 4; ++b) {
            SceneTrack& track = AddTrack(a, names[b], frames);
            for (int f = 0; f < frames; ++f) {
                track.keyFrames[f].globalPosition = Position(b, f);
                track.keyFrames[f].globalRotation = Rotation(b, f);
            }
        }
        skeleton = std::make_unique<ConverterExGenericSkeleton>(scene, programLog);
    }
    static gtVector3 Position(int bone, int frame) {
        return {static_cast<float>(bone), static_cast<float>(frame), 0.5f};
    }
    static gtQuat Rotation(int bone, int frame) {
        return {0.25f * static_cast<float>(bone), -0.5f, 0.125f * static_cast<float>(frame), 1.0f};
    }
    SceneAnimation& Animation() { return scene.animations[0]; }
    void AddEvent(int frame, const char* type, const char* name) {
        SceneEvent& e = Animation().events.AddNew();
        e.frameIndex = frame;
        e.typeName = type;
        e.eventName = name;
    }

    SceneData scene;
    std::unique_ptr<ConverterExGenericSkeleton> skeleton;
};

// One BONE chunk's header and fields (its nested chunks follow).
void Bone(Expect& e, int32_t size, const char* name, int32_t padded, int32_t children) {
    e.Id("BONE").I32(size).I32(100).Str(name, padded).I32(children);
}

// One FRAM chunk with the poses in the order A, B, D, C (bones 0, 1, 3, 2).
void Frame(Expect& e, int32_t frame) {
    e.Id("FRAM").I32(8 + 28 * 4).I32(100).I32(frame);
    for (int bone : {0, 1, 3, 2}) {
        const gtVector3 p = KinFixture::Position(bone, frame);
        const gtQuat q = KinFixture::Rotation(bone, frame);
        e.F32(p.x).F32(p.y).F32(p.z).F32(-q.x).F32(-q.y).F32(-q.z).F32(q.w);
    }
}

// Reads a KIN file back with the chunk reader, checking the framing and every field against
// the fixture; returns the event count.
void ReadBack(const std::string& path, KinFixture& fixture, int frames, const char* name) {
    Bytes bytes;
    std::string error;
    ASSERT_TRUE(ChunkReader::LoadFile(path, bytes, error)) << error;
    ChunkReader reader(bytes);
    std::string form;
    ASSERT_TRUE(reader.ReadForm(form)) << reader.Error();
    EXPECT_EQ(form, "ANIM");
    ChunkInfo chunk;
    int32_t v = 0;
    float f = 0;
    std::string text;
    ASSERT_TRUE(reader.EnterChunk(chunk));
    EXPECT_EQ(chunk.id, "INFO");
    reader.ReadI32(v);
    EXPECT_EQ(v, 100);
    reader.ReadPaddedString(text);
    EXPECT_EQ(text, name);
    reader.ReadI32(v);
    EXPECT_EQ(v, frames);
    reader.ReadI32(v);
    EXPECT_EQ(v, fixture.Animation().frameRate);
    reader.ReadF32(f);
    EXPECT_EQ(f, 1.0f);
    ASSERT_TRUE(reader.LeaveChunk()) << reader.Error();

    ASSERT_TRUE(reader.EnterChunk(chunk));
    EXPECT_EQ(chunk.id, "EVNT");
    reader.ReadI32(v);
    int32_t count = 0;
    reader.ReadI32(count);
    int32_t expected = 0;
    for (const SceneEvent& e : fixture.Animation().events) {
        if (e.frameIndex < 0 || e.frameIndex >= frames) {
            continue;
        }
        ++expected;
        reader.ReadI32(v);
        EXPECT_EQ(v, e.frameIndex);
        reader.ReadI32(v);
        EXPECT_EQ(v, EventTypeCode(e.typeName.c_str()));
        reader.ReadPaddedString(text);
        EXPECT_EQ(text, e.eventName.c_str());
    }
    EXPECT_EQ(count, expected);
    ASSERT_TRUE(reader.LeaveChunk()) << reader.Error();

    // SKEL and the BONE tree, walked with a stack of remaining child counts.
    ASSERT_TRUE(reader.EnterChunk(chunk));
    EXPECT_EQ(chunk.id, "SKEL");
    reader.ReadI32(v);
    std::vector<std::string> order;
    std::vector<int32_t> remaining{1};
    while (!remaining.empty()) {
        if (remaining.back() == 0) {
            remaining.pop_back();
            ASSERT_TRUE(reader.LeaveChunk()) << reader.Error();
            continue;
        }
        --remaining.back();
        ASSERT_TRUE(reader.EnterChunk(chunk)) << reader.Error();
        ASSERT_EQ(chunk.id, "BONE");
        reader.ReadI32(v);
        reader.ReadPaddedString(text);
        order.push_back(text);
        int32_t children = 0;
        reader.ReadI32(children);
        remaining.push_back(children);
    }
    const std::vector<ExGenericSkeleton::Node*> nodes = fixture.skeleton->PreOrder();
    ASSERT_EQ(order.size(), nodes.size());
    for (size_t i = 0; i < nodes.size(); ++i) {
        EXPECT_EQ(order[i], nodes[i]->Name());
    }

    for (int frame = 0; frame < frames; ++frame) {
        ASSERT_TRUE(reader.EnterChunk(chunk)) << reader.Error();
        ASSERT_EQ(chunk.id, "FRAM");
        reader.ReadI32(v);
        reader.ReadI32(v);
        EXPECT_EQ(v, frame);
        for (const ExGenericSkeleton::Node* node : nodes) {
            const gtVector3 p = KinFixture::Position(node->index, frame);
            const gtQuat q = KinFixture::Rotation(node->index, frame);
            const float want[7] = {p.x, p.y, p.z, -q.x, -q.y, -q.z, q.w};
            for (float w : want) {
                reader.ReadF32(f);
                EXPECT_EQ(f, w);
            }
        }
        ASSERT_TRUE(reader.LeaveChunk()) << reader.Error();
    }
    EXPECT_TRUE(reader.AtEnd());
    EXPECT_TRUE(reader.Ok()) << reader.Error();
}

// ---------------------------------------------------------------- the file, byte by byte

TEST(KinFileWriter, WritesTheWholeFileByteForByte) {
    ScratchFolder folder;
    KinFixture fixture(2);
    fixture.AddEvent(0, "soundsync", "step");
    fixture.AddEvent(1, "SoundSync", "boom!");
    fixture.AddEvent(1, "whatever", "");
    const std::string path = folder.File("walk.kin");
    LogCapture log;
    ASSERT_TRUE(WriteKinFile(fixture.skeleton.get(), fixture.Animation(), path.c_str(),
                             fixture.scene, programLog));

    // Sizes by hand: INFO 4 + (4 + 8) + 4 + 4 + 4 = 28. EVNT 4 + 4 + (4 + 4 + 8) + (4 + 4 + 12)
    // + (4 + 4 + 4) = 56. BONE D 4 + 8 + 4 = 16; B 4 + 8 + 4 + (8 + 16) = 40; C 4 + 12 + 4 = 20;
    // A 4 + 8 + 4 + (8 + 40) + (8 + 20) = 92. SKEL 4 + (8 + 92) = 104. FRAM 8 + 28 * 4 = 120.
    // VIRF 4 + (8 + 28) + (8 + 56) + (8 + 104) + 2 * (8 + 120) = 472.
    Expect e;
    e.Id("VIRF").I32(472).Id("ANIM");
    e.Id("INFO").I32(28).I32(100).Str("walk.kin", 8).I32(2).I32(30).F32(1.0f);
    e.Id("EVNT").I32(56).I32(100).I32(3);
    e.I32(0).I32(1).Str("step", 4);
    e.I32(1).I32(4).Str("boom!", 8);
    e.I32(1).I32(4).Str("", 0);
    e.Id("SKEL").I32(104).I32(100);
    Bone(e, 92, "b.A", 4, 2);
    Bone(e, 40, "b.BB", 4, 1);
    Bone(e, 16, "b.D", 4, 0);
    Bone(e, 20, "b.CCC", 8, 0);
    Frame(e, 0);
    Frame(e, 1);
    ASSERT_EQ(e.Size(), 480u);  // the hand-computed sizes agree with the fields

    const Bytes got = ReadFileBytes(path);
    ASSERT_EQ(got.size(), e.Size());
    for (size_t i = 0; i < got.size(); ++i) {
        ASSERT_EQ(got[i], e.Get()[i]) << "byte " << i;
    }
    EXPECT_EQ(log.Text(), "Info: Wrote KIN file '" + path + "' with:\ntracks: 4\nframes: 2\n\n");
    EXPECT_EQ(folder.Entries(), 1);  // no temporary file left behind
    ReadBack(path, fixture, 2, "walk.kin");
}

TEST(KinFileWriter, OneFrameNoEventsAndEventsOutOfRange) {
    ScratchFolder folder;
    KinFixture fixture(1);
    fixture.AddEvent(1, "sound", "late");  // beyond the last frame: neither counted nor written
    fixture.AddEvent(-1, "sound", "early");
    const std::string path = folder.File("one.kin");
    LogCapture log;
    ASSERT_TRUE(WriteKinFile(fixture.skeleton.get(), fixture.Animation(), path.c_str(),
                             fixture.scene, programLog));
    const Bytes got = ReadFileBytes(path);
    // INFO frame count 1 at offset 12 + 8 + 4 + 12.
    Expect info;
    info.Id("INFO").I32(28).I32(100).Str("one.kin", 8).I32(1).I32(30).F32(1.0f);
    Expect events;
    events.Id("EVNT").I32(8).I32(100).I32(0);
    ASSERT_GE(got.size(), 12u + 36u + 16u);
    EXPECT_EQ(Bytes(got.begin() + 12, got.begin() + 48), info.Get());
    EXPECT_EQ(Bytes(got.begin() + 48, got.begin() + 64), events.Get());
    // VIRF 4 + 36 + 16 + 112 + 128.
    EXPECT_EQ(got.size(), 8u + 4u + 36u + 16u + 112u + 128u);
    ReadBack(path, fixture, 1, "one.kin");
}

TEST(KinFileWriter, InfoNameIsTheFileNamePart) {
    ScratchFolder folder;
    KinFixture fixture(1);
    LogCapture log;
    // A backslash separates too (on POSIX it is part of the file's own name; on Windows the
    // file lands in the folder "sub").
    std::filesystem::create_directories(folder.File("sub"));
    const std::string back = folder.File("sub\\run.kin");
    ASSERT_TRUE(WriteKinFile(fixture.skeleton.get(), fixture.Animation(), back.c_str(),
                             fixture.scene, programLog));
    ReadBack(back, fixture, 1, "run.kin");
    // A path without separators is the whole name.
    const auto old = std::filesystem::current_path();
    std::filesystem::current_path(std::filesystem::path(folder.File("")));
    const bool ok = WriteKinFile(fixture.skeleton.get(), fixture.Animation(), "plain.kin",
                                 fixture.scene, programLog);
    std::filesystem::current_path(old);
    ASSERT_TRUE(ok);
    ReadBack(folder.File("plain.kin"), fixture, 1, "plain.kin");
}

// ---------------------------------------------------------------- event types

TEST(EventTypeTable, CodesAreExactAndCaseSensitive) {
    const char* names[] = {"sound",    "soundsync",     "sync",          "3dsys",
                           "generic",  "effect",        "attach",        "detach",
                           "transfer", "anim_complete", "loop_complete", "destroyed"};
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(EventTypeCode(names[i]), i) << names[i];
    }
    EXPECT_EQ(EventTypeCode("SoundSync"), 4);
    EXPECT_EQ(EventTypeCode("soundsynC"), 4);
    EXPECT_EQ(EventTypeCode("footstep"), 4);
    EXPECT_EQ(EventTypeCode(""), 4);
    EXPECT_EQ(EventTypeCode("sound "), 4);
}

// ---------------------------------------------------------------- failures

TEST(KinFileWriter, NoFramesWritesNothing) {
    ScratchFolder folder;
    KinFixture fixture(0);
    const std::string path = folder.File("none.kin");
    LogCapture log;
    EXPECT_FALSE(WriteKinFile(fixture.skeleton.get(), fixture.Animation(), path.c_str(),
                              fixture.scene, programLog));
    EXPECT_EQ(log.Lines(), Lines{"Error: No animation frames to write."});
    EXPECT_EQ(folder.Entries(), 0);
}

TEST(KinFileWriter, NoRootBoneWritesNothing) {
    ScratchFolder folder;
    SceneData scene;
    AddBone(scene, "b.a", "b.b");
    AddBone(scene, "b.b", "b.a");
    {
        LogCapture quiet;
        ResolveSkeleton(scene, programLog);
    }
    SceneAnimation& a = scene.animations.AddNew();
    AddTrack(a, "b.a", 2);
    AddTrack(a, "b.b", 2);
    ConverterExGenericSkeleton skeleton(scene, programLog);
    const std::string path = folder.File("rootless.kin");
    LogCapture log;
    EXPECT_FALSE(WriteKinFile(&skeleton, a, path.c_str(), scene, programLog));
    EXPECT_EQ(log.Lines(), Lines{"Error: No root bone, can't write KIN file: '" + path + "'"});
    EXPECT_EQ(folder.Entries(), 0);
    // The frames check comes first.
    SceneAnimation empty;
    LogCapture log2;
    EXPECT_FALSE(WriteKinFile(&skeleton, empty, path.c_str(), scene, programLog));
    EXPECT_EQ(log2.Lines(), Lines{"Error: No animation frames to write."});
}

TEST(KinFileWriter, UnopenableTargetFails) {
    ScratchFolder folder;
    KinFixture fixture(1);
    const std::string path = folder.File("missing_dir/walk.kin");
    LogCapture log;
    EXPECT_FALSE(WriteKinFile(fixture.skeleton.get(), fixture.Animation(), path.c_str(),
                              fixture.scene, programLog));
    EXPECT_EQ(log.Lines(), Lines{"Error: Failed to write KIN file: '" + path + "'"});
}

#ifndef _WIN32
// A file-size limit makes the writes fail part way: the call fails with the message, and the
// file already at the target keeps its old contents.
TEST(KinFileWriter, WriteErrorKeepsTheOldFile) {
    ScratchFolder folder;
    KinFixture fixture(50);
    const std::string path = folder.File("walk.kin");
    {
        std::ofstream old(path, std::ios::binary);
        old << "old contents";
    }
    struct rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    struct rlimit small = saved;
    small.rlim_cur = 200;
    void (*oldHandler)(int) = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool ok = true;
    std::string text;
    {
        LogCapture log;
        ok = WriteKinFile(fixture.skeleton.get(), fixture.Animation(), path.c_str(), fixture.scene,
                          programLog);
        setrlimit(RLIMIT_FSIZE, &saved);  // the log file itself is small; restore first
        text = log.Text();
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(ok);
    EXPECT_EQ(text, "Error: Failed to write KIN file: '" + path + "'\n");
    const Bytes old = ReadFileBytes(path);
    EXPECT_EQ(std::string(old.begin(), old.end()), "old contents");
    EXPECT_EQ(folder.Entries(), 1);  // the temporary file is gone
}
#endif

// ---------------------------------------------------------------- depth

TEST(KinFileWriter, ChainOf100000BonesNestsWithoutRecursion) {
    ScratchFolder folder;
    const int count = 100000;
    SceneData scene;
    scene.bones.Reserve(count);
    SceneAnimation& a = scene.animations.AddNew();
    a.tracks.Reserve(count);
    for (int i = 0; i < count; ++i) {
        const std::string name = "b." + std::to_string(i);
        const std::string parent = i == 0 ? "" : "b." + std::to_string(i - 1);
        AddBone(scene, name.c_str(), parent.c_str());
        AddTrack(a, name.c_str(), 1).keyFrames[0].globalPosition = {0, static_cast<float>(i), 0};
    }
    {
        LogCapture quiet;
        ResolveSkeleton(scene, programLog);
    }
    ConverterExGenericSkeleton skeleton(scene, programLog);
    const std::string path = folder.File("chain.kin");
    LogCapture log;
    ASSERT_TRUE(WriteKinFile(&skeleton, a, path.c_str(), scene, programLog));
    Bytes bytes;
    std::string error;
    ASSERT_TRUE(ChunkReader::LoadFile(path, bytes, error));
    // 12 + INFO 40 ("chain.kin" pads to 12) + EVNT 16 + SKEL (8 + 4 + count * (8 + 4 + 4 + name +
    // 4)) + FRAM (8 + 8 + 28 count), with names "b.0" .. "b.99999" padded to 4 or 8 bytes.
    size_t names = 0;
    for (int i = 0; i < count; ++i) {
        names += (std::to_string(i).size() + 2 + 3) & ~size_t{3};
    }
    EXPECT_EQ(bytes.size(), 12u + 40u + 16u + 12u + count * 20u + names + 16u + 28u * count);
    ChunkReader reader(bytes);
    std::string form;
    ASSERT_TRUE(reader.ReadForm(form));
    ChunkInfo chunk;
    for (int skip = 0; skip < 2; ++skip) {
        ASSERT_TRUE(reader.EnterChunk(chunk));
        ASSERT_TRUE(reader.SkipChunk());
    }
    ASSERT_TRUE(reader.EnterChunk(chunk));  // SKEL
    int32_t v = 0;
    reader.ReadI32(v);
    for (int i = 0; i < count; ++i) {
        ASSERT_TRUE(reader.EnterChunk(chunk)) << i;
        std::string name;
        reader.ReadI32(v);
        reader.ReadPaddedString(name);
        ASSERT_EQ(name, "b." + std::to_string(i));
        reader.ReadI32(v);
        ASSERT_EQ(v, i + 1 < count ? 1 : 0);
    }
    for (int i = 0; i <= count; ++i) {
        ASSERT_TRUE(reader.LeaveChunk()) << i;
    }
    ASSERT_TRUE(reader.EnterChunk(chunk));
    EXPECT_EQ(chunk.id, "FRAM");
    reader.ReadI32(v);
    reader.ReadI32(v);
    float f = 0;
    for (int i = 0; i < count; ++i) {
        reader.ReadF32(f);
        reader.ReadF32(f);
        ASSERT_EQ(f, static_cast<float>(i));
        for (int k = 0; k < 5; ++k) {
            reader.ReadF32(f);
        }
    }
    EXPECT_TRUE(reader.LeaveChunk());
    EXPECT_TRUE(reader.Ok()) << reader.Error();
}

}  // namespace
