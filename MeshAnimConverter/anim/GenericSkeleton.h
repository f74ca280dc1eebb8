// The output skeleton: GenericSkeleton (abstract), ExGenericSkeleton with its nodes, built once
// per conversion from the scene's bones.
//
// One node per bone, in bone order. A node rests at its bone's model-space bind position with
// the conjugate of its model-space bind rotation; nodes of bones with a parent are appended to
// their parent's child list in bone order. The root is the node of the scene's root bone, or
// null. Nodes of bones whose parent was not found hang nowhere and are never reached from the
// root. The skeleton owns every node (also the unreachable ones) in one list, so destroying it
// never recurses, whatever the depth of the tree.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "toolkit/gtArray.h"
#include "toolkit/gtMath.h"

struct SceneData;

class GenericSkeleton {
public:
    class Node {
    public:
        virtual ~Node() = default;
        virtual const char* Name() const = 0;
        virtual const gtVector3& Position() const = 0;
        virtual const gtQuat& Rotation() const = 0;
    };

    GenericSkeleton() = default;
    GenericSkeleton(const GenericSkeleton&) = delete;
    GenericSkeleton& operator=(const GenericSkeleton&) = delete;
    virtual ~GenericSkeleton() = default;

    // Poses every node reachable from the root at one frame.
    virtual void PrepareForFrame(int32_t frame) = 0;

    // The root node, or null when the skeleton has no root.
    Node* Root() const { return m_root; }

protected:
    Node* m_root = nullptr;
};

class ExGenericSkeleton : public GenericSkeleton {
public:
    // Names hold at most this many characters (and a terminating zero).
    static constexpr int kMaxNameLength = 255;

    class Node : public GenericSkeleton::Node {
    public:
        const char* Name() const override { return name; }
        const gtVector3& Position() const override { return position; }
        const gtQuat& Rotation() const override { return rotation; }

        gtArray<Node*> children{4};  // in bone order; owned by the skeleton
        Node* parent = nullptr;
        gtMatrix4 matrix;  // model-space bind transform; no output reads it
        char name[kMaxNameLength + 1] = {};
        gtVector3 position;
        gtQuat rotation;     // conjugate of the model-space rotation
        int32_t index = -1;  // the bone's index in the scene
    };

    // Builds the nodes from the scene's bones, first cutting every bone's name and parent name to
    // kMaxNameLength characters in the scene itself.
    explicit ExGenericSkeleton(SceneData& scene);

    ExGenericSkeleton::Node* RootNode() const { return static_cast<Node*>(m_root); }
    int NodeCount() const { return static_cast<int>(m_nodes.size()); }
    // Node of bone i, in bone order.
    Node* NodeAt(int i) const { return m_nodes[static_cast<size_t>(i)].get(); }

    // The nodes reachable from the root in pre-order: a node, then each child's subtree in
    // child-list order. Empty without a root. O(reachable nodes), no recursion.
    std::vector<Node*> PreOrder() const;

private:
    std::vector<std::unique_ptr<Node>> m_nodes;
};
