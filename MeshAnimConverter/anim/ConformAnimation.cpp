// ConformAnimation: one track per bone, all of the same length, each in the slot of its bone.
//
// Costs O(bones + tracks × frames): the tracks are found through name indices, and the final
// reordering moves tracks instead of copying them unless a track must appear twice.
#include <string_view>
#include <vector>

#include "MeshAnimConverter/anim/SkeletonPreparation.h"
#include "MeshAnimConverter/scene/SceneNameIndex.h"
#include "toolkit/tlLog.h"

namespace {

std::string_view View(const gtString& s) {
    return std::string_view(s.c_str(), static_cast<size_t>(s.Length()));
}

// Step 5: slot k receives the track j whose target is bone k (a later j wins); a slot that
// receives nothing keeps its own track. Fails on a target that is no bone, or a bone whose index
// is not below the track count.
bool PutTracksInBoneOrder(const SceneData& scene, SceneAnimation& animation, tlLog& log) {
    gtArray<SceneTrack>& tracks = animation.tracks;
    const int count = tracks.Count();
    SceneNameIndex boneByName;
    boneByName.Reserve(scene.bones.Count());
    for (int i = 0; i < scene.bones.Count(); ++i) {
        boneByName.Add(View(scene.bones[i].name), i);
    }

    std::vector<int> source(static_cast<size_t>(count));
    for (int k = 0; k < count; ++k) {
        source[static_cast<size_t>(k)] = k;
    }
    for (int j = 0; j < count; ++j) {
        const int k = boneByName.Find(View(tracks[j].targetName));
        if (k < 0 || k >= count) {
            log.Error("Animation track can't match bone '%s'", tracks[j].targetName.c_str());
            return false;
        }
        source[static_cast<size_t>(k)] = j;
    }

    // A source used once is moved; one used twice is copied until its last use.
    std::vector<int> uses(static_cast<size_t>(count), 0);
    for (int k = 0; k < count; ++k) {
        ++uses[static_cast<size_t>(source[static_cast<size_t>(k)])];
    }
    gtArray<SceneTrack> ordered(tracks.GrowStep());
    ordered.Reserve(count);
    for (int k = 0; k < count; ++k) {
        const int j = source[static_cast<size_t>(k)];
        if (--uses[static_cast<size_t>(j)] == 0) {
            ordered.Add(std::move(tracks[j]));
        } else {
            ordered.Add(tracks[j]);
        }
    }
    tracks = std::move(ordered);
    return true;
}

}  // namespace

bool ConformAnimation(SceneData& scene, SceneAnimation& animation, tlLog& log) {
    gtArray<SceneTrack>& tracks = animation.tracks;

    // 1-2: the longest track sets N; shorter ones get identity frames (not their last frame).
    int frameCount = 0;
    for (const SceneTrack& track : tracks) {
        if (track.keyFrames.Count() > frameCount) {
            frameCount = track.keyFrames.Count();
        }
    }
    for (SceneTrack& track : tracks) {
        if (track.keyFrames.Count() < frameCount) {
            log.Warning("Animation track '%s' differs in frame count. Found %d expecting %d",
                        track.targetName.c_str(), track.keyFrames.Count(), frameCount);
            track.keyFrames.SetCount(frameCount);
        }
    }

    // 3: every bone without a track gets one holding its bind pose. Bones whose names are equal
    // ignoring case share the first one's track.
    SceneNameIndex trackByName;
    trackByName.Reserve(tracks.Count() + scene.bones.Count());
    tracks.Reserve(tracks.Count() + scene.bones.Count());
    for (int i = 0; i < tracks.Count(); ++i) {
        trackByName.Add(View(tracks[i].targetName), i);
    }
    for (const SceneBone& bone : scene.bones) {
        if (trackByName.Find(View(bone.name)) >= 0) {
            continue;
        }
        log.Warning("No animation track for bone '%s'", bone.name.c_str());
        SceneTrack& track = tracks.AddNew();
        track.targetName = bone.name;
        track.keyFrames.Reserve(frameCount);
        for (int f = 0; f < frameCount; ++f) {
            SceneKeyFrame& frame = track.keyFrames.AddNew();
            frame.globalPosition = bone.position;
            frame.globalRotation = bone.orientation;
            frame.localPosition = bone.localPosition;
            frame.localRotation = bone.localOrientation;
        }
        trackByName.Add(View(track.targetName), tracks.Count() - 1);
    }

    // 4: events into 0..N-1.
    for (SceneEvent& event : animation.events) {
        if (event.frameIndex < 0) {
            log.Warning("Animation event of range. frame: %d type: '%s'", event.frameIndex,
                        event.typeName.c_str());
            event.frameIndex = 0;
        } else if (event.frameIndex >= frameCount) {
            log.Warning("Animation event of range. frame: %d type: '%s'", event.frameIndex,
                        event.typeName.c_str());
            event.frameIndex = frameCount > 0 ? frameCount - 1 : 0;
        }
    }

    // 5: track k belongs to bone k from here on.
    return PutTracksInBoneOrder(scene, animation, log);
}
