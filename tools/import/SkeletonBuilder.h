// SkeletonBuilder: the interchange skeleton of a model.
//
// The bones are the nodes that skinned meshes name, plus the nodes that carry meshes without a
// skin and that an animation moves (the node or one of its ancestors has a channel); when there
// are neither, the animated nodes themselves (a motion clip). The set is completed to a tree:
// every node on the path from a bone up to the common ancestor of all bones becomes a bone, and
// that ancestor is the root (bone 0). Nodes with unskinned meshes that nothing moves take part
// in finding that ancestor, since their vertices are bound to the root. Bones follow the node tree
// in pre-order, so a parent comes before its children. Bind transforms are model space: the
// node's rest transform, so that a mesh posed at rest binds by the identity; the bind pose of the
// offset matrices (mesh node transform times the inverse offset, the first met per bone) is kept
// beside it for --bind-pose. Scale is dropped from both. Names get the "b." prefix and are made
// unique ignoring case. Cost: linear in nodes and bones.
#pragma once

#include <assimp/scene.h>

#include <string>
#include <vector>

#include "tools/import/ImportedModel.h"
#include "tools/import/NodeTable.h"

struct Skeleton {
    std::vector<ImportBone> bones;      // bind: the rest transform
    std::vector<Transform> offsetBind;  // per bone: from its offset matrix, else the rest
    bool hasOffsets = false;            // some bone has an offset matrix (a skinned mesh)
    std::vector<int> nodes;             // the node of each bone
    std::vector<int> boneOfNode;        // per node: its bone, or -1
};

Skeleton BuildSkeleton(const aiScene& scene, const NodeTable& table,
                       std::vector<std::string>& warnings);

// Makes the offset matrices' bind pose the bones' bind transforms.
void UseOffsetBind(Skeleton& skeleton);

// "b." + name (kept as it is when it already starts with "b."), made unique against `taken`
// ignoring ASCII case by a suffix _2, _3, ...; the result is added to `taken` (lower case).
std::string UniqueName(const std::string& prefix, const std::string& name,
                       std::vector<std::string>& taken);
