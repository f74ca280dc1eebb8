// BoneTreeWriter: the SKEL chunk both writers share: its version, then the root's BONE chunk
// with every child's BONE chunk nested inside its parent's, children in child-list order.
//
// What a BONE holds after its version differs by file, so the caller writes it through
// `writeBone`; the version is written here. The tree is walked with an explicit stack: a node's
// chunk stays open until its children's chunks are written, so trees of any depth are written
// without recursion. Cost: one pass over the reachable nodes.
#pragma once

#include <functional>

#include "MeshAnimConverter/anim/GenericSkeleton.h"

class binofstream;

using BoneWriter = std::function<void(binofstream&, const ExGenericSkeleton::Node&)>;

// Writes "SKEL" with `version`, and the BONE tree from `root` (none when `root` is null), each
// BONE starting with `boneVersion`.
void WriteBoneTree(binofstream& out, const ExGenericSkeleton::Node* root, int32_t version,
                   int32_t boneVersion, const BoneWriter& writeBone);
