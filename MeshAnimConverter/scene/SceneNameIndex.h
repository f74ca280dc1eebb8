// SceneNameIndex: finds names ignoring ASCII case in expected O(1), the first added name winning.
//
// The skeleton preparation matches every bone to its parent and every track to its bone; a
// linear FindBone per name would make that quadratic, which a skeleton of 100,000 bones cannot
// afford. The index gives the same answers as the linear scans: the position of the first entry
// whose name equals the text ignoring case. With a cut length, names and keys are compared on
// their first `cut` characters only (bone and track names are matched on their cut form once the
// output skeleton has cut the bone names).
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

class SceneNameIndex {
public:
    explicit SceneNameIndex(int cut = -1) : m_cut(cut) {}

    // Records `name` at `index` unless an equal name is already recorded.
    void Add(std::string_view name, int index);
    // Index of the first recorded name equal to `name`, or -1.
    int Find(std::string_view name) const;
    void Clear() { m_map.clear(); }
    void Reserve(int count) { m_map.reserve(count > 0 ? static_cast<size_t>(count) : 0); }

private:
    std::string Key(std::string_view name) const;

    std::unordered_map<std::string, int> m_map;
    int m_cut;
};
