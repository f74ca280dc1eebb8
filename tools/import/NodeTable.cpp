// NodeTable: one explicit-stack walk of the node tree, then the rest transforms in pre-order.
#include "tools/import/NodeTable.h"

#include <utility>

NodeTable::NodeTable(const aiNode* root) {
    std::vector<std::pair<const aiNode*, int>> stack;
    if (root != nullptr) {
        stack.emplace_back(root, -1);
    }
    while (!stack.empty()) {
        const auto [node, parent] = stack.back();
        stack.pop_back();
        if (m_byNode.count(node) != 0) {
            continue;  // a node reached twice would make a cycle; keep the first place
        }
        const int index = Count();
        m_nodes.push_back(node);
        m_parents.push_back(parent);
        m_byNode.emplace(node, index);
        m_byName.emplace(std::string(node->mName.C_Str()), index);
        // children pushed in reverse so that they come out in their order
        for (unsigned c = node->mNumChildren; c > 0; --c) {
            if (node->mChildren[c - 1] != nullptr) {
                stack.emplace_back(node->mChildren[c - 1], index);
            }
        }
    }
    std::vector<aiMatrix4x4> locals(m_nodes.size());
    for (size_t i = 0; i < m_nodes.size(); ++i) {
        locals[i] = m_nodes[i]->mTransformation;
    }
    m_restGlobals = Globals(locals);
}

int NodeTable::Find(const std::string& name) const {
    const auto it = m_byName.find(name);
    return it == m_byName.end() ? -1 : it->second;
}

int NodeTable::Find(const aiNode* node) const {
    const auto it = m_byNode.find(node);
    return it == m_byNode.end() ? -1 : it->second;
}

bool NodeTable::IsAncestorOrSelf(int ancestor, int node) const {
    for (int i = node; i >= 0; i = m_parents[i]) {
        if (i == ancestor) {
            return true;
        }
    }
    return false;
}

std::vector<aiMatrix4x4> NodeTable::Globals(const std::vector<aiMatrix4x4>& locals) const {
    std::vector<aiMatrix4x4> globals(m_nodes.size());
    for (size_t i = 0; i < m_nodes.size(); ++i) {
        globals[i] = m_parents[i] < 0 ? locals[i] : globals[m_parents[i]] * locals[i];
    }
    return globals;
}
