// Skeleton and animation preparation: the steps that turn the bones and key frames the reader
// collected into a linked bone tree whose every frame holds both its model-space (global) and
// its parent-relative (local) transform.
//
// Names are matched ignoring ASCII case, the first bone (or track) in array order winning; each
// step builds a hash index first, so every step costs O(bones + tracks × frames). Nothing
// recurses: bone trees of any depth are walked with explicit stacks. Messages go to the log the
// caller passes; none of these steps normalises a quaternion.
#pragma once

#include "MeshAnimConverter/scene/SceneData.h"
#include "MeshAnimConverter/scene/SkeletonPreparer.h"
#include "toolkit/tlLog.h"

// Finds the root (the last bone without a parent name; -1 when there is none), links every bone
// to its parent (parentIndex, the parent's children in bone order) and derives each bone's local
// bind transform from the global ones. Logs warnings only; always succeeds.
bool ResolveSkeleton(SceneData& scene, tlLog& log);

// Gives every track the largest frame count N (identity frames appended), gives every bone a
// track (its bind pose in every frame), clamps events into 0..N-1 and moves each track to the
// slot of its bone. False after logging "Animation track can't match bone '%s'".
bool ConformAnimation(SceneData& scene, SceneAnimation& animation, tlLog& log);

// Derives every frame's local transform from the global ones (frames given in model space).
// False after logging the error when a track names no bone or its parent's track differs in
// length.
bool GlobalToLocalFrames(SceneAnimation& animation, const SceneData& scene, tlLog& log);

// Derives every frame's global transform from the local ones, walking the tree below `bone`
// depth first, parents before children. A bone index outside the bones or the tracks ends the
// walk at that bone. Never fails.
void LocalToGlobalFrames(SceneAnimation& animation, int bone, const SceneData& scene);

// The preparation as the interchange reader calls it, block by block: the skeleton is resolved
// once its bones are read; each animation is conformed to the bones and completed, from its
// global frames or, for a local-space animation, from the root down (which fails with
// "No root bone, can't convert local to global anim frames" when the skeleton has no root).
class SkeletonAnimationPreparer : public SkeletonPreparer {
public:
    explicit SkeletonAnimationPreparer(tlLog& log) : m_log(log) {}

    void PrepareSkeleton(SceneData& scene) override;
    bool PrepareAnimation(SceneData& scene, SceneAnimation& animation, bool useLocalSpace) override;

private:
    tlLog& m_log;
};
