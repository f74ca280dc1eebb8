// SkeletonBuilder: bone selection, completion to a tree under the common ancestor, bind poses
// and names.
#include "tools/import/SkeletonBuilder.h"

#include <algorithm>
#include <cmath>
#include <set>

namespace {

std::string Lower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

bool MeshIsSkinned(const aiMesh* mesh) {
    return mesh != nullptr && mesh->mNumBones > 0 && mesh->mBones != nullptr;
}

// The deepest node that is an ancestor (or the node itself) of both.
int CommonAncestor(const NodeTable& table, int a, int b) {
    std::set<int> path;
    for (int i = a; i >= 0; i = table.Parent(i)) {
        path.insert(i);
    }
    for (int i = b; i >= 0; i = table.Parent(i)) {
        if (path.count(i) != 0) {
            return i;
        }
    }
    return -1;
}

bool UnitScale(const Vec3& s) {
    const float e = 1e-3f;
    return std::fabs(s.x - 1) < e && std::fabs(s.y - 1) < e && std::fabs(s.z - 1) < e;
}

// Per node: chosen as a bone, and the bind pose of its first offset matrix.
struct Marks {
    std::vector<char> marked;
    std::vector<char> hasBind;
    std::vector<aiMatrix4x4> bind;
    std::vector<char> moved;  // the node or an ancestor is animated
};

// Skin bones, with the bind pose of the first offset matrix met.
void MarkSkinBones(const aiScene& scene, const NodeTable& table, Marks& marks,
                   std::vector<std::string>& warnings) {
    std::set<std::string> missing;
    for (int i = 0; i < table.Count(); ++i) {
        const aiNode* node = table.Node(i);
        for (unsigned k = 0; k < node->mNumMeshes; ++k) {
            if (node->mMeshes[k] >= scene.mNumMeshes ||
                !MeshIsSkinned(scene.mMeshes[node->mMeshes[k]])) {
                continue;
            }
            const aiMesh* mesh = scene.mMeshes[node->mMeshes[k]];
            for (unsigned b = 0; b < mesh->mNumBones; ++b) {
                const aiBone* bone = mesh->mBones[b];
                const int j = bone == nullptr ? -1 : table.Find(std::string(bone->mName.C_Str()));
                if (j < 0) {
                    if (bone != nullptr && missing.insert(bone->mName.C_Str()).second) {
                        warnings.push_back("bone '" + std::string(bone->mName.C_Str()) +
                                           "' names no node; its weights are dropped");
                    }
                    continue;
                }
                marks.marked[j] = 1;
                if (marks.hasBind[j] == 0) {
                    aiMatrix4x4 offset = bone->mOffsetMatrix;
                    marks.bind[j] = table.RestGlobal(i) * offset.Inverse();
                    marks.hasBind[j] = 1;
                }
            }
        }
    }
}

// Nodes with unskinned meshes that an animation moves; a motion clip's animated nodes when
// nothing else is marked.
void MarkAnimatedNodes(const aiScene& scene, const NodeTable& table, Marks& marks) {
    const int count = table.Count();
    std::vector<char> animated(count, 0);
    bool anyAnimated = false;
    for (unsigned a = 0; a < scene.mNumAnimations; ++a) {
        const aiAnimation* animation = scene.mAnimations[a];
        for (unsigned c = 0; animation != nullptr && c < animation->mNumChannels; ++c) {
            const aiNodeAnim* channel = animation->mChannels[c];
            const int j = channel == nullptr ? -1 : table.Find(channel->mNodeName.C_Str());
            if (j >= 0) {
                animated[j] = 1;
                anyAnimated = true;
            }
        }
    }
    marks.moved.assign(count, 0);
    for (int i = 0; i < count; ++i) {
        marks.moved[i] =
            animated[i] != 0 || (table.Parent(i) >= 0 && marks.moved[table.Parent(i)] != 0);
    }
    for (int i = 0; i < count && anyAnimated; ++i) {
        const aiNode* node = table.Node(i);
        for (unsigned k = 0; k < node->mNumMeshes && marks.moved[i] != 0; ++k) {
            if (node->mMeshes[k] < scene.mNumMeshes &&
                !MeshIsSkinned(scene.mMeshes[node->mMeshes[k]])) {
                marks.marked[i] = 1;
            }
        }
    }
    if (std::find(marks.marked.begin(), marks.marked.end(), 1) == marks.marked.end()) {
        marks.marked = animated;  // a motion clip: the animated nodes are the skeleton
    }
}

// The common ancestor of the marked nodes and of the unmoved nodes with unskinned meshes (their
// vertices, bound to the root, stay where they are); -1 when nothing is marked.
int FindRoot(const aiScene& scene, const NodeTable& table, const Marks& marks) {
    int root = -1;
    for (int i = 0; i < table.Count(); ++i) {
        if (marks.marked[i] != 0) {
            root = root < 0 ? i : CommonAncestor(table, root, i);
        }
    }
    for (int i = 0; i < table.Count() && root >= 0; ++i) {
        const aiNode* node = table.Node(i);
        for (unsigned k = 0; k < node->mNumMeshes && marks.moved[i] == 0; ++k) {
            if (node->mMeshes[k] < scene.mNumMeshes &&
                !MeshIsSkinned(scene.mMeshes[node->mMeshes[k]])) {
                root = CommonAncestor(table, root, i);
                break;
            }
        }
    }
    return root;
}

// Every marked node and the nodes between it and the root as bones, in pre-order.
Skeleton ListBones(const NodeTable& table, Marks& marks, int root,
                   std::vector<std::string>& warnings) {
    const int count = table.Count();
    Skeleton skeleton;
    skeleton.boneOfNode.assign(count, -1);
    for (int i = 0; i < count; ++i) {
        if (marks.marked[i] != 0) {
            for (int j = i; j >= 0 && j != root; j = table.Parent(j)) {
                marks.marked[j] = 1;
            }
        }
    }
    marks.marked[root] = 1;
    std::vector<std::string> taken;
    int scaled = 0;
    for (int i = 0; i < count; ++i) {
        if (marks.marked[i] == 0 || !table.IsAncestorOrSelf(root, i)) {
            continue;
        }
        ImportBone bone;
        int parent = table.Parent(i);
        while (i != root && parent >= 0 && skeleton.boneOfNode[parent] < 0) {
            parent = table.Parent(parent);
        }
        bone.parent = i == root || parent < 0 ? -1 : skeleton.boneOfNode[parent];
        std::string name = table.Node(i)->mName.C_Str();
        if (name.empty()) {
            name = "node" + std::to_string(i);
        }
        bone.name = UniqueName("b.", name, taken);
        Vec3 scale;
        bone.bind = DecomposeTransform(table.RestGlobal(i), &scale);
        Vec3 offsetScale = scale;
        const Transform offsetBind =
            marks.hasBind[i] != 0 ? DecomposeTransform(marks.bind[i], &offsetScale) : bone.bind;
        scaled += UnitScale(scale) && UnitScale(offsetScale) ? 0 : 1;
        skeleton.hasOffsets = skeleton.hasOffsets || marks.hasBind[i] != 0;
        skeleton.boneOfNode[i] = static_cast<int>(skeleton.bones.size());
        skeleton.bones.push_back(bone);
        skeleton.offsetBind.push_back(offsetBind);
        skeleton.nodes.push_back(i);
    }
    if (scaled > 0) {
        warnings.push_back("scale dropped from the bind pose of " + std::to_string(scaled) +
                           " bone(s)");
    }
    return skeleton;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Entry points

std::string UniqueName(const std::string& prefix, const std::string& name,
                       std::vector<std::string>& taken) {
    std::string base = name.rfind(prefix, 0) == 0 ? name : prefix + name;
    // the converter keeps 255 characters; leave room for a suffix
    if (base.size() > 240) {
        base.resize(240);
    }
    std::string candidate = base;
    for (int n = 2; std::find(taken.begin(), taken.end(), Lower(candidate)) != taken.end(); ++n) {
        candidate = base + "_" + std::to_string(n);
    }
    taken.push_back(Lower(candidate));
    return candidate;
}

Skeleton BuildSkeleton(const aiScene& scene, const NodeTable& table,
                       std::vector<std::string>& warnings) {
    const int count = table.Count();
    Marks marks{std::vector<char>(count, 0),
                std::vector<char>(count, 0),
                std::vector<aiMatrix4x4>(count),
                {}};
    MarkSkinBones(scene, table, marks, warnings);
    MarkAnimatedNodes(scene, table, marks);
    const int root = FindRoot(scene, table, marks);
    if (root < 0) {
        Skeleton empty;
        empty.boneOfNode.assign(count, -1);
        return empty;
    }
    return ListBones(table, marks, root, warnings);
}

void UseOffsetBind(Skeleton& skeleton) {
    for (size_t b = 0; b < skeleton.bones.size(); ++b) {
        skeleton.bones[b].bind = skeleton.offsetBind[b];
    }
}
