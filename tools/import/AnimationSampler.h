// AnimationSampler: one assimp animation sampled at a fixed rate into model-space frames of
// every bone.
//
// The frames run from the animation's first key to its last (over all channels) in steps of
// 1 / fps seconds; the last frame is taken at the last key. Between keys positions and scales
// are interpolated linearly and rotations spherically; before a channel's first key and after its
// last, that key holds. A node without a channel keeps its rest transform. Each bone's frame is
// its node's model-space transform, scale dropped. Cost: frames x nodes.
#pragma once

#include <assimp/anim.h>

#include <string>

#include "tools/import/ImportedModel.h"
#include "tools/import/NodeTable.h"
#include "tools/import/SkeletonBuilder.h"

// Frames are capped at this count; a longer animation is cut with a warning.
inline constexpr int kMaxFrames = 100000;

// Fills name, frameRate, frameCount and frames; returns false when the animation was cut.
bool SampleAnimation(const aiAnimation& animation, const NodeTable& table, const Skeleton& skeleton,
                     int fps, ImportAnimation& out);
