// KinReader: the chunks of an "ANIM" form (.kin files) into the dump model.
//
// INFO, EVNT, the SKEL bone tree and the FRAM chunks are read by id, in whatever order they
// come; a FRAM chunk holds as many poses as its size allows (8 bytes of header, 28 per bone),
// so a frame with a bone missing is read and left for the validator to name.
#include <string>

#include "tools/dump/DumpReader.h"

namespace {

bool ReadInfo(DumpWalk& walk, const ChunkInfo& chunk) {
    ChunkReader& r = walk.reader;
    KinModel& kin = walk.file.kin;
    kin.infoOffset = chunk.start;
    std::uint32_t version = 0;
    if (!r.ReadU32(version) || !r.ReadPaddedString(kin.name) || !r.ReadI32(kin.frameCount) ||
        !r.ReadI32(kin.frameRate) || !r.ReadF32(kin.scale))
        return walk.Fail("INFO");
    return r.LeaveChunk() || walk.Fail("INFO");
}

bool ReadEvents(DumpWalk& walk, const ChunkInfo& chunk) {
    ChunkReader& r = walk.reader;
    KinModel& kin = walk.file.kin;
    kin.eventsOffset = chunk.start;
    std::uint32_t version = 0;
    std::uint32_t count = 0;
    if (!r.ReadU32(version) || !r.ReadU32(count))
        return walk.Fail("EVNT");
    if (count > r.Remaining() / 12u)
        return walk.Fail("EVNT", chunk.start,
                         "Event count " + std::to_string(count) + " exceeds the chunk");
    kin.events.resize(count);
    for (KinEvent& e : kin.events) {
        if (!r.ReadI32(e.frame) || !r.ReadI32(e.type) || !r.ReadPaddedString(e.name))
            return walk.Fail("EVNT");
    }
    return r.LeaveChunk() || walk.Fail("EVNT");
}

bool ReadFrame(DumpWalk& walk, const ChunkInfo& chunk) {
    ChunkReader& r = walk.reader;
    KinFrame& frame = walk.file.kin.frames.emplace_back();
    const std::string label = "FRAM " + std::to_string(walk.file.kin.frames.size() - 1);
    frame.offset = chunk.start;
    frame.size = chunk.size;
    std::uint32_t version = 0;
    if (!r.ReadU32(version) || !r.ReadI32(frame.frame))
        return walk.Fail(label);
    if (r.Remaining() % 28u != 0)
        return walk.Fail(label, chunk.start,
                         "FRAM of size " + std::to_string(chunk.size) +
                             " does not hold whole poses of 28 bytes after its 8-byte header");
    frame.poses.resize(r.Remaining() / 28u);
    for (auto& pose : frame.poses) {
        if (!ReadFloatArray(r, pose))
            return walk.Fail(label);
    }
    return r.LeaveChunk() || walk.Fail(label);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Entry point

bool ReadAnimationForm(DumpWalk& walk) {
    ChunkReader& r = walk.reader;
    bool sawInfo = false;
    bool sawEvents = false;
    bool sawSkeleton = false;
    while (!r.AtEnd()) {
        ChunkInfo chunk;
        if (!walk.Enter(chunk))
            return walk.Fail("");
        bool ok = true;
        if (chunk.id == "INFO" && !sawInfo) {
            sawInfo = true;
            ok = ReadInfo(walk, chunk);
        } else if (chunk.id == "EVNT" && !sawEvents) {
            sawEvents = true;
            ok = ReadEvents(walk, chunk);
        } else if (chunk.id == "SKEL" && !sawSkeleton) {
            sawSkeleton = true;
            std::uint32_t version = 0;
            ok = (r.ReadU32(version) || walk.Fail("SKEL")) &&
                 ReadBoneTree(walk, walk.file.kin.bones, false) &&
                 (r.LeaveChunk() || walk.Fail("SKEL"));
        } else if (chunk.id == "FRAM") {
            ok = ReadFrame(walk, chunk);
        } else {
            walk.Issue(false, chunk.id, chunk.start,
                       "Unexpected chunk '" + chunk.id + "' in an animation, skipped");
            ok = r.SkipChunk() || walk.Fail(chunk.id);
        }
        if (!ok)
            return false;
    }
    if (!sawInfo)
        walk.Issue(true, "", 12, "The animation has no INFO chunk");
    if (!sawSkeleton)
        walk.Issue(true, "", 12, "The animation has no SKEL chunk");
    return r.Ok() || walk.Fail("");
}
