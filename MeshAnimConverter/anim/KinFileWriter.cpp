// KinFileWriter: the output descriptor, then the chunks of one KIN file.
#include "MeshAnimConverter/anim/KinFileWriter.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "MeshAnimConverter/anim/BoneTreeWriter.h"
#include "MeshAnimConverter/anim/ConverterExGenericSkeleton.h"
#include "MeshAnimConverter/anim/EventTypeTable.h"
#include "MeshAnimConverter/chunks/AtomicOutputFile.h"
#include "MeshAnimConverter/chunks/ChunkWriter.h"
#include "MeshAnimConverter/chunks/FormatVersions.h"
#include "MeshAnimConverter/chunks/binofstream.h"
#include "MeshAnimConverter/scene/SceneData.h"
#include "toolkit/tlLog.h"

namespace {

constexpr int32_t kChunkVersion = KinVersion::kChunk;

struct KinEvent {
    int32_t frame;
    int32_t type;
    gtString name;
};

// What the file says about the animation, gathered before anything is written.
struct KinDescriptor {
    int32_t firstFrame = 0;
    int32_t lastFrame = 0;
    int32_t frameRate = 0;
    std::string name;
    float unknown = 1.0f;  // always 1.0
    std::vector<KinEvent> events;
};

// The file name part of a path: after its last '/' or '\', extension included.
std::string FileNamePart(const char* path) {
    const char* name = path;
    for (const char* p = path; *p != 0; ++p) {
        if (*p == '/' || *p == '\\') {
            name = p + 1;
        }
    }
    return name;
}

std::string_view View(const gtString& s) {
    return std::string_view(s.c_str(), static_cast<size_t>(s.Length()));
}

void WriteInfo(binofstream& out, const KinDescriptor& d) {
    const ChunkMark mark = BeginChunk(out, "INFO");
    out.WriteI32(kChunkVersion);
    WritePaddedString(out, d.name);
    out.WriteI32(d.lastFrame - d.firstFrame + 1);
    out.WriteI32(d.frameRate);
    out.WriteF32(d.unknown);
    EndChunk(out, mark);
}

void WriteEvents(binofstream& out, const KinDescriptor& d) {
    const ChunkMark mark = BeginChunk(out, "EVNT");
    out.WriteI32(kChunkVersion);
    int32_t count = 0;
    for (const KinEvent& e : d.events) {
        if (e.frame >= d.firstFrame && e.frame <= d.lastFrame) {
            ++count;
        }
    }
    out.WriteI32(count);
    for (const KinEvent& e : d.events) {
        if (e.frame >= d.firstFrame && e.frame <= d.lastFrame) {
            out.WriteI32(e.frame - d.firstFrame);
            out.WriteI32(e.type);
            WritePaddedString(out, View(e.name));
        }
    }
    EndChunk(out, mark);
}

// The bone tree: each BONE holds its name and child count.
void WriteSkeleton(binofstream& out, const ExGenericSkeleton::Node* root) {
    WriteBoneTree(out, root, kChunkVersion, kChunkVersion,
                  [](binofstream& stream, const ExGenericSkeleton::Node& node) {
                      WritePaddedString(stream, std::string_view(node.name));
                      stream.WriteI32(node.children.Count());
                  });
}

void WriteFrame(binofstream& out, int32_t frame,
                const std::vector<ExGenericSkeleton::Node*>& nodes) {
    const ChunkMark mark = BeginChunk(out, "FRAM");
    out.WriteI32(kChunkVersion);
    out.WriteI32(frame);
    for (const ExGenericSkeleton::Node* node : nodes) {
        out.WriteF32(node->position.x);
        out.WriteF32(node->position.y);
        out.WriteF32(node->position.z);
        out.WriteF32(node->rotation.x);
        out.WriteF32(node->rotation.y);
        out.WriteF32(node->rotation.z);
        out.WriteF32(node->rotation.w);
    }
    EndChunk(out, mark);
}

}  // namespace

// ---------------------------------------------------------------- entry point

bool WriteKinFile(ConverterExGenericSkeleton* skeleton, SceneAnimation& animation, const char* path,
                  SceneData& scene, tlLog& log) {
    if (skeleton != nullptr) {
        skeleton->inData = &scene;
        skeleton->animation = &animation;
    }

    int32_t frameCount = 0;
    for (const SceneTrack& track : animation.tracks) {
        if (track.keyFrames.Count() > frameCount) {
            frameCount = track.keyFrames.Count();
        }
    }
    if (frameCount - 1 < 0) {
        log.Error("No animation frames to write.");
        return false;
    }
    if (skeleton == nullptr || skeleton->RootNode() == nullptr) {
        log.Error("No root bone, can't write KIN file: '%s'", path);
        return false;
    }

    KinDescriptor descriptor;
    descriptor.lastFrame = frameCount - 1;
    descriptor.frameRate = animation.frameRate;
    descriptor.name = FileNamePart(path);
    descriptor.events.reserve(static_cast<size_t>(animation.events.Count()));
    for (const SceneEvent& event : animation.events) {
        descriptor.events.push_back(
            {event.frameIndex, EventTypeCode(event.typeName.c_str()), event.eventName});
    }

    AtomicOutputFile target(path);
    bool written = false;
    {
        binofstream out(target.TempPath().c_str());
        if (out.is_open()) {
            const ChunkMark form = BeginChunk(out, "VIRF");
            out.WriteId("ANIM");
            WriteInfo(out, descriptor);
            WriteEvents(out, descriptor);
            WriteSkeleton(out, skeleton->RootNode());
            const std::vector<ExGenericSkeleton::Node*> nodes = skeleton->PreOrder();
            for (int32_t f = descriptor.firstFrame; f <= descriptor.lastFrame && out.Good(); ++f) {
                skeleton->PrepareForFrame(f);
                WriteFrame(out, f - descriptor.firstFrame, nodes);
            }
            EndChunk(out, form);
            written = out.Close();
        }
    }
    if (!written || !target.Commit()) {
        log.Error("Failed to write KIN file: '%s'", path);
        return false;
    }

    log.Info("Wrote KIN file '%s' with:\ntracks: %d\nframes: %d\n", path, animation.tracks.Count(),
             frameCount);
    return true;
}
