// GlobalToLocalFrames and LocalToGlobalFrames: complete every key frame with the transform the
// file did not give.
//
// Both cost O(tracks × frames) after an O(bones) name index. The local-to-global walk runs
// over the bone tree with an explicit stack, so a chain of any length is safe.
#include <string_view>
#include <vector>

#include "MeshAnimConverter/anim/QuatMath.h"
#include "MeshAnimConverter/anim/SkeletonPreparation.h"
#include "MeshAnimConverter/scene/SceneNameIndex.h"
#include "toolkit/tlLog.h"

namespace {

std::string_view View(const gtString& s) {
    return std::string_view(s.c_str(), static_cast<size_t>(s.Length()));
}

}  // namespace

bool GlobalToLocalFrames(SceneAnimation& animation, const SceneData& scene, tlLog& log) {
    gtArray<SceneTrack>& tracks = animation.tracks;
    SceneNameIndex boneByName;
    boneByName.Reserve(scene.bones.Count());
    for (int i = 0; i < scene.bones.Count(); ++i) {
        boneByName.Add(View(scene.bones[i].name), i);
    }

    for (int i = 0; i < tracks.Count(); ++i) {
        SceneTrack& track = tracks[i];
        const int b = boneByName.Find(View(track.targetName));
        if (b < 0) {
            log.Error("Animation tracks do not match bones. Cur animation track target '%s'",
                      track.targetName.c_str());
            return false;
        }
        const int parent = scene.bones[b].parentIndex;
        if (parent < 0) {
            for (SceneKeyFrame& frame : track.keyFrames) {
                frame.localPosition = frame.globalPosition;
                frame.localRotation = frame.globalRotation;
            }
            continue;
        }
        if (parent >= tracks.Count()) {
            log.Error("Animation tracks do not match bones. Cur animation track target '%s'",
                      track.targetName.c_str());
            return false;
        }
        const SceneTrack& parentTrack = tracks[parent];
        if (parentTrack.keyFrames.Count() != track.keyFrames.Count()) {
            log.Error(
                "Animation tracks are not the same length. Track '%s' frames=%d Track '%s' "
                "frames=%d",
                track.targetName.c_str(), track.keyFrames.Count(), parentTrack.targetName.c_str(),
                parentTrack.keyFrames.Count());
            return false;
        }
        for (int f = 0; f < track.keyFrames.Count(); ++f) {
            SceneKeyFrame& frame = track.keyFrames[f];
            const SceneKeyFrame& p = parentTrack.keyFrames[f];
            const gtQuat toParent = QuatConjugate(p.globalRotation);
            frame.localRotation = QuatMultiply(toParent, frame.globalRotation);
            frame.localPosition = QuatRotate(toParent, frame.globalPosition - p.globalPosition);
        }
    }
    return true;
}

void LocalToGlobalFrames(SceneAnimation& animation, int bone, const SceneData& scene) {
    gtArray<SceneTrack>& tracks = animation.tracks;
    std::vector<int> pending;
    pending.push_back(bone);
    // A tree reached from a root holds no cycle; the bound keeps any other start finite.
    int visits = 0;
    while (!pending.empty() && visits++ <= scene.bones.Count()) {
        const int b = pending.back();
        pending.pop_back();
        // Outside the bones, or a bone that shares an earlier bone's track: skip its subtree.
        if (b < 0 || b >= scene.bones.Count() || b >= tracks.Count()) {
            continue;
        }
        const SceneBone& sceneBone = scene.bones[b];
        SceneTrack& track = tracks[b];
        const int parent = sceneBone.parentIndex;
        if (parent < 0 || parent >= tracks.Count()) {
            for (SceneKeyFrame& frame : track.keyFrames) {
                frame.globalPosition = frame.localPosition;
                frame.globalRotation = frame.localRotation;
            }
        } else {
            const SceneTrack& parentTrack = tracks[parent];
            // Conformed tracks all have the same length; never read past the parent's frames.
            const int frames = track.keyFrames.Count() < parentTrack.keyFrames.Count()
                                   ? track.keyFrames.Count()
                                   : parentTrack.keyFrames.Count();
            for (int f = 0; f < frames; ++f) {
                SceneKeyFrame& frame = track.keyFrames[f];
                const SceneKeyFrame& p = parentTrack.keyFrames[f];
                frame.globalRotation = QuatMultiply(p.globalRotation, frame.localRotation);
                frame.globalPosition =
                    p.globalPosition + QuatRotate(p.globalRotation, frame.localPosition);
            }
        }
        // Children in child-list order: push them reversed so the first is walked first.
        for (int c = sceneBone.children.Count() - 1; c >= 0; --c) {
            pending.push_back(sceneBone.children[c]);
        }
    }
}
