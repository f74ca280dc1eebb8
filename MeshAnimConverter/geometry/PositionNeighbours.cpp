// Edge neighbours at one position: a direct scan for short lists, an edge hash
// for long ones (fans around a pole or apex), with identical answers.
#include "MeshAnimConverter/geometry/PositionNeighbours.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <unordered_map>

namespace {

using geometry::Float3;

constexpr size_t kIndexedFromCount = 24;

bool SameEdge(const Float3& a0, const Float3& a1, const Float3& b0, const Float3& b1) {
    return (geometry::SamePosition(a0, b0) && geometry::SamePosition(a1, b1)) ||
           (geometry::SamePosition(a0, b1) && geometry::SamePosition(a1, b0));
}

bool SharesEdge(const std::vector<Float3>& corners, uint32_t t, uint32_t u) {
    for (int e = 0; e < 3; ++e) {
        const Float3& t0 = corners[t * 3 + e];
        const Float3& t1 = corners[t * 3 + (e + 1) % 3];
        for (int f = 0; f < 3; ++f) {
            if (SameEdge(t0, t1, corners[u * 3 + f], corners[u * 3 + (f + 1) % 3]))
                return true;
        }
    }
    return false;
}

// Key of an undirected edge: both ends as bit patterns (-0.0 folded onto +0.0),
// smaller end first. Ends holding a NaN compare equal to nothing and get no key.
using EdgeKey = std::array<uint32_t, 6>;

struct EdgeKeyHash {
    size_t operator()(const EdgeKey& k) const {
        uint64_t h = 1469598103934665603ull;
        for (uint32_t v : k) {
            h ^= v;
            h *= 1099511628211ull;
        }
        return static_cast<size_t>(h ^ (h >> 29));
    }
};

bool PositionBits(const Float3& p, uint32_t* out) {
    const float v[3] = {p.x, p.y, p.z};
    for (int i = 0; i < 3; ++i) {
        if (v[i] != v[i])
            return false;
        const float folded = v[i] == 0.0f ? 0.0f : v[i];
        std::memcpy(&out[i], &folded, sizeof(float));
    }
    return true;
}

bool MakeEdgeKey(const Float3& a, const Float3& b, EdgeKey& key) {
    uint32_t ka[3];
    uint32_t kb[3];
    if (!PositionBits(a, ka) || !PositionBits(b, kb))
        return false;
    const bool aFirst = std::lexicographical_compare(ka, ka + 3, kb, kb + 3);
    const uint32_t* lo = aFirst ? ka : kb;
    const uint32_t* hi = aFirst ? kb : ka;
    key = {lo[0], lo[1], lo[2], hi[0], hi[1], hi[2]};
    return true;
}

}  // namespace

void FindPositionNeighboursLinear(const uint32_t* list, size_t count,
                                  const std::vector<Float3>& corners, std::vector<int32_t>& first,
                                  std::vector<int32_t>& second) {
    first.assign(count, -1);
    second.assign(count, -1);
    for (size_t i = 0; i < count; ++i) {
        const uint32_t t = list[i];
        int found = 0;
        for (size_t j = 0; j < count && found < 2; ++j) {
            const uint32_t u = list[j];
            if (u == t || !SharesEdge(corners, t, u))
                continue;
            (found == 0 ? first : second)[i] = static_cast<int32_t>(u);
            ++found;
        }
    }
}

void FindPositionNeighboursIndexed(const uint32_t* list, size_t count,
                                   const std::vector<Float3>& corners, std::vector<int32_t>& first,
                                   std::vector<int32_t>& second) {
    first.assign(count, -1);
    second.assign(count, -1);

    // slots per edge, ascending; a slot whose triangle has one edge twice is listed once
    std::unordered_map<EdgeKey, std::vector<uint32_t>, EdgeKeyHash> slotsByEdge;
    slotsByEdge.reserve(count * 3);
    std::vector<std::array<EdgeKey, 3>> keys(count);
    std::vector<std::array<bool, 3>> hasKey(count);
    for (size_t i = 0; i < count; ++i) {
        const uint32_t t = list[i];
        for (int e = 0; e < 3; ++e) {
            hasKey[i][e] =
                MakeEdgeKey(corners[t * 3 + e], corners[t * 3 + (e + 1) % 3], keys[i][e]);
            if (!hasKey[i][e])
                continue;
            std::vector<uint32_t>& slots = slotsByEdge[keys[i][e]];
            if (slots.empty() || slots.back() != i)
                slots.push_back(static_cast<uint32_t>(i));
        }
    }

    for (size_t i = 0; i < count; ++i) {
        const uint32_t t = list[i];
        // the two earliest matching slots of each edge bound the answer
        uint32_t candidates[6];
        int numCandidates = 0;
        for (int e = 0; e < 3; ++e) {
            if (!hasKey[i][e])
                continue;
            int taken = 0;
            for (uint32_t slot : slotsByEdge[keys[i][e]]) {
                if (list[slot] == t)
                    continue;
                candidates[numCandidates++] = slot;
                if (++taken == 2)
                    break;
            }
        }
        // the two smallest distinct slots
        uint32_t lowest = UINT32_MAX;
        uint32_t next = UINT32_MAX;
        for (int c = 0; c < numCandidates; ++c) {
            const uint32_t slot = candidates[c];
            if (slot < lowest) {
                next = lowest;
                lowest = slot;
            } else if (slot > lowest && slot < next) {
                next = slot;
            }
        }
        if (lowest != UINT32_MAX)
            first[i] = static_cast<int32_t>(list[lowest]);
        if (next != UINT32_MAX)
            second[i] = static_cast<int32_t>(list[next]);
    }
}

void FindPositionNeighbours(const uint32_t* list, size_t count, const std::vector<Float3>& corners,
                            std::vector<int32_t>& first, std::vector<int32_t>& second) {
    if (count < kIndexedFromCount) {
        FindPositionNeighboursLinear(list, count, corners, first, second);
    } else {
        FindPositionNeighboursIndexed(list, count, corners, first, second);
    }
}
