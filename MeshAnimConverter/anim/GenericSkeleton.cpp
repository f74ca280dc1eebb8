// ExGenericSkeleton: the node list built from the scene's bones, and its pre-order walk.
#include "MeshAnimConverter/anim/GenericSkeleton.h"

#include <cstring>

#include "MeshAnimConverter/anim/QuatMath.h"
#include "MeshAnimConverter/scene/SceneData.h"

ExGenericSkeleton::ExGenericSkeleton(SceneData& scene) {
    gtArray<SceneBone>& bones = scene.bones;
    const int count = bones.Count();
    m_nodes.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        SceneBone& bone = bones[i];
        if (bone.name.Length() > kMaxNameLength) {
            bone.name.Truncate(kMaxNameLength);
        }
        if (bone.parentName.Length() > kMaxNameLength) {
            bone.parentName.Truncate(kMaxNameLength);
        }
        auto node = std::make_unique<Node>();
        std::memcpy(node->name, bone.name.c_str(), static_cast<size_t>(bone.name.Length()));
        node->name[bone.name.Length()] = 0;
        node->position = bone.position;
        node->rotation = QuatConjugate(bone.orientation);
        node->index = i;
        // Model-space bind transform: the rotation in the upper 3x3, the position in the last
        // column.
        const gtMatrix3 r = QuatToMatrix(bone.orientation);
        for (int row = 0; row < 3; ++row) {
            for (int col = 0; col < 3; ++col) {
                node->matrix.m[row][col] = r.m[row][col];
            }
        }
        node->matrix.m[0][3] = bone.position.x;
        node->matrix.m[1][3] = bone.position.y;
        node->matrix.m[2][3] = bone.position.z;
        m_nodes.push_back(std::move(node));
    }

    for (int i = 0; i < count; ++i) {
        const int p = bones[i].parentIndex;
        if (p >= 0 && p < count) {
            Node* node = m_nodes[static_cast<size_t>(i)].get();
            Node* parent = m_nodes[static_cast<size_t>(p)].get();
            parent->children.Add(node);
            node->parent = parent;
        }
    }

    if (scene.rootBoneIndex >= 0 && scene.rootBoneIndex < count) {
        m_root = m_nodes[static_cast<size_t>(scene.rootBoneIndex)].get();
    }
}

std::vector<ExGenericSkeleton::Node*> ExGenericSkeleton::PreOrder() const {
    std::vector<Node*> order;
    if (m_root == nullptr) {
        return order;
    }
    order.reserve(m_nodes.size());
    std::vector<Node*> pending;
    pending.push_back(RootNode());
    // A tree reached from the root holds no cycle; the bound keeps the walk finite regardless.
    while (!pending.empty() && order.size() <= m_nodes.size()) {
        Node* node = pending.back();
        pending.pop_back();
        order.push_back(node);
        for (int c = node->children.Count() - 1; c >= 0; --c) {
            pending.push_back(node->children[c]);
        }
    }
    return order;
}
