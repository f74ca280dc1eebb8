// ConverterExGenericSkeleton: poses the reachable nodes at one frame of the attached animation.
//
// The node-to-track map is built once per animation (O(tracks + nodes)), so posing a frame
// costs O(reachable nodes).
#include "MeshAnimConverter/anim/ConverterExGenericSkeleton.h"

#include <cstring>
#include <string_view>

#include "MeshAnimConverter/scene/SceneData.h"
#include "toolkit/tlLog.h"

ConverterExGenericSkeleton::ConverterExGenericSkeleton(SceneData& scene, tlLog& log)
    : ExGenericSkeleton(scene), inData(&scene), m_log(log) {}

void ConverterExGenericSkeleton::MapTracks() {
    const gtArray<SceneTrack>& tracks = animation->tracks;
    if (m_mappedAnimation == animation && m_mappedTracks == tracks.Data() &&
        m_mappedTrackCount == tracks.Count()) {
        return;
    }
    SceneNameIndex trackByName(kMaxNameLength);
    trackByName.Reserve(tracks.Count());
    for (int i = 0; i < tracks.Count(); ++i) {
        const gtString& target = tracks[i].targetName;
        trackByName.Add(std::string_view(target.c_str(), static_cast<size_t>(target.Length())), i);
    }
    m_trackOfNode.assign(static_cast<size_t>(NodeCount()), -1);
    for (int n = 0; n < NodeCount(); ++n) {
        m_trackOfNode[static_cast<size_t>(n)] = trackByName.Find(NodeAt(n)->name);
    }
    m_mappedAnimation = animation;
    m_mappedTracks = tracks.Data();
    m_mappedTrackCount = tracks.Count();
}

void ConverterExGenericSkeleton::PrepareForFrame(int32_t frame) {
    if (animation == nullptr) {
        return;
    }
    if (inData == nullptr) {
        m_log.Error("InData not passed to skelton for animation output.");
        return;
    }
    if (animation->tracks.Count() == 0) {
        m_log.Error("No animation tracks, can't prepare skeleton for frame.");
        return;
    }
    MapTracks();
    for (Node* node : PreOrder()) {
        node->position = gtVector3{};
        node->rotation = gtQuat{};
        const int t = m_trackOfNode[static_cast<size_t>(node->index)];
        if (t < 0) {
            continue;
        }
        const SceneTrack& track = animation->tracks[t];
        if (frame >= 0 && frame < track.keyFrames.Count()) {
            const SceneKeyFrame& key = track.keyFrames[frame];
            node->position = key.globalPosition;
            node->rotation = {-key.globalRotation.x, -key.globalRotation.y, -key.globalRotation.z,
                              key.globalRotation.w};
        }
    }
}
