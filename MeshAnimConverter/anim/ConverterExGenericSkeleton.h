// ConverterExGenericSkeleton: the output skeleton of the converter, posed at the frames of one
// animation of the input scene for the KIN writer.
//
// Neither the scene nor the animation is owned. Without an animation attached, PrepareForFrame
// leaves the rest pose in place (the IM writer calls it that way). With one attached, it poses
// every node reachable from the root from the track whose target matches the node's name
// ignoring case (targets compared on their first 255 characters, like the node names).
#pragma once

#include <cstdint>

#include "MeshAnimConverter/anim/GenericSkeleton.h"
#include "MeshAnimConverter/scene/SceneNameIndex.h"

class tlLog;
struct SceneAnimation;
struct SceneTrack;

class ConverterExGenericSkeleton : public ExGenericSkeleton {
public:
    // Builds the nodes (ExGenericSkeleton) and attaches the scene; no animation is attached.
    // PrepareForFrame reports to `log`.
    ConverterExGenericSkeleton(SceneData& scene, tlLog& log);

    // Each node's position becomes its track's global position at `frame` and its rotation the
    // conjugate of the global rotation; a node without a track, or with `frame` outside its
    // track, is posed at the identity. Logs "InData not passed to skelton for animation output."
    // or "No animation tracks, can't prepare skeleton for frame." and returns when it cannot pose.
    void PrepareForFrame(int32_t frame) override;

    SceneData* inData = nullptr;          // the input scene, not owned
    SceneAnimation* animation = nullptr;  // the animation being written, not owned

private:
    // Track index of every node for the attached animation, rebuilt when the animation changes.
    void MapTracks();

    tlLog& m_log;

    const SceneAnimation* m_mappedAnimation = nullptr;
    const SceneTrack* m_mappedTracks = nullptr;
    int m_mappedTrackCount = -1;
    std::vector<int> m_trackOfNode;
};
