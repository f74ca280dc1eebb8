// SceneNameIndex: a hash map keyed by the ASCII-lower-cased (and optionally cut) name.
#include "MeshAnimConverter/scene/SceneNameIndex.h"

std::string SceneNameIndex::Key(std::string_view name) const {
    if (m_cut >= 0 && name.size() > static_cast<size_t>(m_cut)) {
        name = name.substr(0, static_cast<size_t>(m_cut));
    }
    std::string key(name);
    for (char& c : key) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return key;
}

void SceneNameIndex::Add(std::string_view name, int index) {
    m_map.emplace(Key(name), index);
}

int SceneNameIndex::Find(std::string_view name) const {
    const auto it = m_map.find(Key(name));
    return it == m_map.end() ? -1 : it->second;
}
