// SkeletonAnimationPreparer: the preparation steps in the order the reader needs them, one
// block at a time.
#include "MeshAnimConverter/anim/SkeletonPreparation.h"

void SkeletonAnimationPreparer::PrepareSkeleton(SceneData& scene) {
    ResolveSkeleton(scene, m_log);
}

bool SkeletonAnimationPreparer::PrepareAnimation(SceneData& scene, SceneAnimation& animation,
                                                 bool useLocalSpace) {
    if (!ConformAnimation(scene, animation, m_log)) {
        return false;
    }
    if (useLocalSpace) {
        if (scene.rootBoneIndex < 0) {
            m_log.Error("No root bone, can't convert local to global anim frames");
            return false;
        }
        LocalToGlobalFrames(animation, scene.rootBoneIndex, scene);
        return true;
    }
    return GlobalToLocalFrames(animation, scene, m_log);
}
