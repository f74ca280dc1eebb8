// BindPoseCheck: how far posing a skinned mesh at rest moves its animated poses.
//
// Two imports of one model are compared corner by corner: the mesh posed at the nodes' rest
// transforms with those as the bind pose, and the raw mesh with the offset matrices' bind pose.
// Skinning is what the .im and .kin hold: per bone a rigid transform, at most four weights,
// blended linearly (frame x inverse bind x position). Where the two bind poses differ by one
// transform for all bones of each vertex the change is only rounding; where they differ per
// bone, blended vertices move. Cost: sampled frames x corners x weights, the frames thinned so
// that the work stays below about 2e7 corner poses.
#pragma once

#include <vector>

#include "tools/import/ImportedModel.h"

// The largest distance between the two models' skinned corners over the animations' frames.
// Both models come from the same scene, so their triangles correspond one to one.
float AnimatedPoseChange(const ImportedModel& atRest, const std::vector<ImportBone>& restBones,
                         const ImportedModel& atBind, const std::vector<ImportBone>& bindBones,
                         const std::vector<ImportAnimation>& animations);

// The diagonal of the box around every corner's position (0 without triangles).
float ModelSize(const ImportedModel& model);
