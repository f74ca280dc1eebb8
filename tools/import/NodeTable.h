// NodeTable: an assimp node tree flattened in pre-order (every parent before its children), with
// each node's parent and its model-space transform at rest. Built without recursion, so deep
// trees cannot exhaust the stack; lookups by name give the first node in pre-order.
#pragma once

#include <assimp/matrix4x4.h>
#include <assimp/scene.h>

#include <string>
#include <unordered_map>
#include <vector>

class NodeTable {
public:
    explicit NodeTable(const aiNode* root);

    int Count() const { return static_cast<int>(m_nodes.size()); }
    const aiNode* Node(int i) const { return m_nodes[i]; }
    int Parent(int i) const { return m_parents[i]; }
    const aiMatrix4x4& RestGlobal(int i) const { return m_restGlobals[i]; }
    // The index of the first node with this name, or -1.
    int Find(const std::string& name) const;
    int Find(const aiNode* node) const;
    // True when `ancestor` is `node` or lies on the path from `node` to the root.
    bool IsAncestorOrSelf(int ancestor, int node) const;

    // Model-space transforms of every node from given parent-relative ones (one per node).
    std::vector<aiMatrix4x4> Globals(const std::vector<aiMatrix4x4>& locals) const;

private:
    std::vector<const aiNode*> m_nodes;
    std::vector<int> m_parents;
    std::vector<aiMatrix4x4> m_restGlobals;
    std::unordered_map<std::string, int> m_byName;
    std::unordered_map<const aiNode*, int> m_byNode;
};
