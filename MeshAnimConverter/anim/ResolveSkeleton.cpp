// ResolveSkeleton: links the bones read from the skeleton block into a tree.
//
// One pass in bone order after one pass building the name index: O(bones). Only global bind
// transforms are read, so the order of the bones in the file does not matter.
#include <string_view>

#include "MeshAnimConverter/anim/QuatMath.h"
#include "MeshAnimConverter/anim/SkeletonPreparation.h"
#include "MeshAnimConverter/scene/SceneNameIndex.h"
#include "toolkit/tlLog.h"

namespace {

std::string_view View(const gtString& s) {
    return std::string_view(s.c_str(), static_cast<size_t>(s.Length()));
}

}  // namespace

bool ResolveSkeleton(SceneData& scene, tlLog& log) {
    gtArray<SceneBone>& bones = scene.bones;
    SceneNameIndex byName;
    byName.Reserve(bones.Count());
    for (int i = 0; i < bones.Count(); ++i) {
        byName.Add(View(bones[i].name), i);
        bones[i].parentIndex = -1;
        bones[i].children.Clear();
    }

    scene.rootBoneIndex = -1;
    for (int i = 0; i < bones.Count(); ++i) {
        SceneBone& bone = bones[i];
        if (bone.parentName.IsEmpty()) {
            bone.localPosition = bone.position;
            bone.localOrientation = bone.orientation;
            if (scene.rootBoneIndex != -1) {
                log.Warning("Expecting single root bone but found another '%s'", bone.name.c_str());
            }
            scene.rootBoneIndex = i;
            continue;
        }
        const int p = byName.Find(View(bone.parentName));
        if (p < 0) {
            log.Warning("Expecting parent bone '%s' in skeleton", bone.name.c_str());
            continue;
        }
        SceneBone& parent = bones[p];
        bone.parentIndex = p;
        parent.children.Add(i);
        const gtQuat toParent = QuatConjugate(parent.orientation);
        bone.localOrientation = QuatMultiply(toParent, bone.orientation);
        bone.localPosition = QuatRotate(toParent, bone.position - parent.position);
    }

    if (scene.rootBoneIndex == -1) {
        log.Warning("No skeleton or skeleton root bone found");
    }
    return true;
}
