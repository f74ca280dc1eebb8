// SkeletonPreparer: the step the interchange reader hands each skeleton and animation block to
// as soon as the block is read, so its messages come right after the block's own and a failed
// animation stops the reading. The reader only knows this interface; the run passes the
// implementation (the skeleton and animation preparation).
#pragma once

struct SceneAnimation;
struct SceneData;

class SkeletonPreparer {
public:
    virtual ~SkeletonPreparer() = default;
    // The bones of the skeleton block are read, their names prefixed.
    virtual void PrepareSkeleton(SceneData& scene) = 0;
    // An animation block is read into `animation` (the last of scene.animations); `useLocalSpace`
    // says its key frames are parent-relative. False stops the reading.
    virtual bool PrepareAnimation(SceneData& scene, SceneAnimation& animation,
                                  bool useLocalSpace) = 0;
};
