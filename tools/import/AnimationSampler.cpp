// AnimationSampler: key lookup by binary search, then the node tree posed frame by frame.
#include "tools/import/AnimationSampler.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// The index of the last key at or before `time` (0 when all keys are later).
template <typename Key>
unsigned KeyAt(const Key* keys, unsigned count, double time) {
    const Key* end = keys + count;
    const Key* next =
        std::upper_bound(keys, end, time, [](double t, const Key& k) { return t < k.mTime; });
    return next == keys ? 0u : static_cast<unsigned>(next - keys - 1);
}

template <typename Key>
float Blend(const Key* keys, unsigned count, double time, unsigned& k) {
    k = KeyAt(keys, count, time);
    if (k + 1 >= count || !(keys[k + 1].mTime > keys[k].mTime) || time <= keys[k].mTime) {
        return 0.0f;
    }
    return static_cast<float>((time - keys[k].mTime) / (keys[k + 1].mTime - keys[k].mTime));
}

aiVector3D Lerp(const aiVectorKey* keys, unsigned count, double time, const aiVector3D& rest) {
    if (count == 0 || keys == nullptr) {
        return rest;
    }
    unsigned k = 0;
    const float f = Blend(keys, count, time, k);
    if (f == 0.0f) {
        return keys[k].mValue;
    }
    return keys[k].mValue + (keys[k + 1].mValue - keys[k].mValue) * f;
}

aiQuaternion Slerp(const aiQuatKey* keys, unsigned count, double time, const aiQuaternion& rest) {
    if (count == 0 || keys == nullptr) {
        return rest;
    }
    unsigned k = 0;
    const float f = Blend(keys, count, time, k);
    if (f == 0.0f) {
        return keys[k].mValue;
    }
    aiQuaternion out;
    aiQuaternion::Interpolate(out, keys[k].mValue, keys[k + 1].mValue, f);
    return out.Normalize();
}

template <typename Key>
void Extend(const Key* keys, unsigned count, double& first, double& last) {
    for (unsigned k = 0; keys != nullptr && k < count; ++k) {
        if (std::isfinite(keys[k].mTime)) {
            first = std::min(first, keys[k].mTime);
            last = std::max(last, keys[k].mTime);
        }
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Entry points

bool SampleAnimation(const aiAnimation& animation, const NodeTable& table, const Skeleton& skeleton,
                     int fps, ImportAnimation& out) {
    const int nodes = table.Count();
    std::vector<const aiNodeAnim*> channels(nodes, nullptr);
    double first = INFINITY, last = -INFINITY;
    for (unsigned c = 0; c < animation.mNumChannels; ++c) {
        const aiNodeAnim* channel = animation.mChannels[c];
        const int j = channel == nullptr ? -1 : table.Find(channel->mNodeName.C_Str());
        if (j < 0 || channels[j] != nullptr) {
            continue;
        }
        channels[j] = channel;
        Extend(channel->mPositionKeys, channel->mNumPositionKeys, first, last);
        Extend(channel->mRotationKeys, channel->mNumRotationKeys, first, last);
        Extend(channel->mScalingKeys, channel->mNumScalingKeys, first, last);
    }
    if (!(first <= last)) {
        first = last = 0;
    }
    const double ticksPerSecond = animation.mTicksPerSecond > 0 ? animation.mTicksPerSecond : 25.0;
    const double seconds = (last - first) / ticksPerSecond;
    // one frame per 1 / fps seconds, and one more at the last key unless it falls on a step
    const double steps = std::ceil(seconds * fps - 1e-6);
    const bool cut = !(steps + 1 <= kMaxFrames);
    const int frameCount = cut ? kMaxFrames : static_cast<int>(steps) + 1;

    // rest components of the animated nodes
    std::vector<aiVector3D> restScale(nodes), restPosition(nodes);
    std::vector<aiQuaternion> restRotation(nodes);
    std::vector<aiMatrix4x4> locals(nodes);
    for (int i = 0; i < nodes; ++i) {
        locals[i] = table.Node(i)->mTransformation;
        if (channels[i] != nullptr) {
            locals[i].Decompose(restScale[i], restRotation[i], restPosition[i]);
        }
    }

    const size_t bones = skeleton.bones.size();
    out.frameRate = fps;
    out.frameCount = frameCount;
    out.frames.assign(static_cast<size_t>(frameCount) * bones, Transform{});
    for (int f = 0; f < frameCount; ++f) {
        const double time =
            first + std::min(f / static_cast<double>(fps), seconds) * ticksPerSecond;
        for (int i = 0; i < nodes; ++i) {
            const aiNodeAnim* c = channels[i];
            if (c == nullptr) {
                continue;
            }
            const aiVector3D s = Lerp(c->mScalingKeys, c->mNumScalingKeys, time, restScale[i]);
            const aiQuaternion r =
                Slerp(c->mRotationKeys, c->mNumRotationKeys, time, restRotation[i]);
            const aiVector3D p = Lerp(c->mPositionKeys, c->mNumPositionKeys, time, restPosition[i]);
            locals[i] = aiMatrix4x4(s, r, p);
        }
        const std::vector<aiMatrix4x4> globals = table.Globals(locals);
        for (size_t b = 0; b < bones; ++b) {
            out.frames[f * bones + b] = DecomposeTransform(globals[skeleton.nodes[b]], nullptr);
        }
    }
    return !cut;
}
