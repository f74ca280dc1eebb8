// GltfSkin: the joints, the skin and the animations of a glTF export.
//
// One node per bone record of the INFL chunk, linked by parent name (ignoring case; a loop of
// parents is cut), each with its parent-relative bind transform; a common root node when there
// is more than one root bone. Inverse bind matrices come from the composed bind pose. An
// animation turns each frame's model-space bone transforms into per-joint translation and
// rotation channels relative to the joint's parent. Cost: linear in bones times frames.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "tools/common/ToolMath.h"
#include "tools/dump/DumpModel.h"
#include "tools/dump/GltfBuilder.h"

struct GltfSkin {
    int skin = -1;
    std::vector<int> nodes;       // per INFL bone: its node
    std::vector<int> parents;     // per INFL bone: the parent bone, -1 for a root
    std::vector<Rigidd> bind;     // per INFL bone: model-space bind transform
    int rootJoint = 0;            // the joint that takes vertices without weights
    std::vector<int> sceneRoots;  // nodes to list in the scene
};

// Adds the joint nodes and the skin for the bones of `im` (which must have some).
GltfSkin AddSkin(GltfBuilder& builder, const MeshModel& im);

// Adds the animation of `kin`; false (and a warning) when no bone of it is a joint.
bool AddAnimation(GltfBuilder& builder, const GltfSkin& skin, const MeshModel& im,
                  const KinModel& kin, const std::string& name);
