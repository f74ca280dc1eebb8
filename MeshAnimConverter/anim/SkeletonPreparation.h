// Skeleton and animation preparation: the steps that turn the bones and key frames the reader
// collected into a linked bone tree whose every frame holds both its model-space (global) and
// its parent-relative (local) transform.
//
// Names are matched ignoring ASCII case, the first bone (or track) in array order winning; each
// step builds a hash index first, so every step costs O(bones + tracks × frames). Nothing
// recurses: bone trees of any depth are walked with explicit stacks. Messages go to the program
// log; none of these steps normalises a quaternion.
#pragma once

#include "MeshAnimConverter/scene/SceneData.h"

// Finds the root (the last bone without a parent name; -1 when there is none), links every bone
// to its parent (parentIndex, the parent's children in bone order) and derives each bone's local
// bind transform from the global ones. Logs warnings only; always succeeds.
bool ResolveSkeleton(SceneData& scene);

// Gives every track the largest frame count N (identity frames appended), gives every bone a
// track (its bind pose in every frame), clamps events into 0..N-1 and moves each track to the
// slot of its bone. False after logging "Animation track can't match bone '%s'".
bool ConformAnimation(SceneData& scene, SceneAnimation& animation);

// Derives every frame's local transform from the global ones (frames given in model space).
// False after logging the error when a track names no bone or its parent's track differs in
// length.
bool GlobalToLocalFrames(SceneAnimation& animation, const SceneData& scene);

// Derives every frame's global transform from the local ones, walking the tree below `bone`
// depth first, parents before children. A bone index outside the bones or the tracks ends the
// walk at that bone. Never fails.
void LocalToGlobalFrames(SceneAnimation& animation, int bone, const SceneData& scene);
