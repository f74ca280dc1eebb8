// Small helpers that build scenes for the skeleton and animation tests.
#pragma once

#include "MeshAnimConverter/scene/SceneData.h"

inline SceneBone& AddBone(SceneData& scene, const char* name, const char* parent,
                          gtVector3 position = {}, gtQuat orientation = {}) {
    SceneBone& bone = scene.bones.AddNew();
    bone.name = name;
    bone.parentName = parent;
    bone.position = position;
    bone.orientation = orientation;
    return bone;
}

inline SceneTrack& AddTrack(SceneAnimation& animation, const char* target, int frames) {
    SceneTrack& track = animation.tracks.AddNew();
    track.targetName = target;
    for (int f = 0; f < frames; ++f) {
        track.keyFrames.AddNew();
    }
    return track;
}
