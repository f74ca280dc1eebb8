// Tangent frames with vertex splitting: set-up, the three passes per position,
// and the final orthogonalisation. See TangentFrameGenerator.h for the contract.
#include "MeshAnimConverter/geometry/TangentFrameGenerator.h"

#include <algorithm>

#include "MeshAnimConverter/geometry/CanSmoothCheckers.h"
#include "MeshAnimConverter/geometry/Float3.h"
#include "MeshAnimConverter/geometry/PositionNeighbours.h"

namespace {

using geometry::Float3;

constexpr float kSingularMapping = 0.0001f;  // |det| at or below: texture mapping unusable
constexpr float kTooShort = 0.001f;          // vector too short to use
constexpr float kUsable = 0.5f;              // vector usable on its own
constexpr float kNearlyParallel = 0.999f;    // tangent and binormal nearly parallel

// Total order on floats for the position map: NaN after every number, NaNs
// equivalent, -0.0 equivalent to +0.0 (exact comparison otherwise).
bool FloatLess(float a, float b) {
    if (a != a)
        return false;
    if (b != b)
        return true;
    return a < b;
}

bool PositionLess(const float* a, const float* b) {
    for (int i = 0; i < 3; ++i) {
        if (FloatLess(a[i], b[i]))
            return true;
        if (FloatLess(b[i], a[i]))
            return false;
    }
    return false;
}

float* PassField(TangentFrameGenerator::Vertex& v, int pass) {
    return pass == 0 ? v.normal : pass == 1 ? v.tangent : v.binormal;
}

const float* FaceVector(const TangentFrameGenerator::Triangle& t, int pass) {
    return pass == 0 ? t.faceNormal : pass == 1 ? t.faceTangent : t.faceBinormal;
}

void Orthogonalise(TangentFrameGenerator::Vertex& v) {
    const Float3 n = geometry::Make3(v.normal);
    const Float3 t = geometry::Make3(v.tangent);
    const Float3 b = geometry::Make3(v.binormal);

    const Float3 tOrtho = geometry::Sub(t, geometry::Scale(n, geometry::Dot(n, t)));
    const Float3 bOrtho = geometry::Sub(geometry::Sub(b, geometry::Scale(n, geometry::Dot(n, b))),
                                        geometry::Scale(tOrtho, geometry::Dot(tOrtho, b)));

    Float3 tangent = geometry::NormalizeByLength(tOrtho);
    Float3 binormal = geometry::NormalizeByLength(bOrtho);
    const float lenT = geometry::Length(tangent);
    const float lenB = geometry::Length(binormal);

    if (lenT > kTooShort && lenB > kTooShort) {
        if (geometry::Dot(tangent, binormal) > kNearlyParallel)
            binormal = geometry::Cross(n, tangent);
    } else if (lenT > kUsable) {
        binormal = geometry::Cross(n, tangent);
    } else if (lenB > kUsable) {
        tangent = geometry::Cross(binormal, n);
    } else {
        const Float3 axis = n.x < n.y ? Float3{1.0f, 0.0f, 0.0f} : Float3{0.0f, 1.0f, 0.0f};
        tangent = geometry::Cross(n, axis);
        binormal = geometry::Cross(n, tangent);
    }
    geometry::Store3(tangent, v.tangent);
    geometry::Store3(binormal, v.binormal);
}

const CanSmoothNormalsChecker kNormalsChecker{};
const CanSmoothTangentsChecker kTangentsChecker{};
const CanSmoothBinormalsChecker kBinormalsChecker{};
const TangentFrameGenerator::CanSmoothChecker* const kCheckers[3] = {
    &kNormalsChecker, &kTangentsChecker, &kBinormalsChecker};

}  // namespace

// ---------------------------------------------------------------------------
// Set-up

void TangentFrameGenerator::SetUpTriangles(const std::vector<Vertex>& vertices,
                                           const std::vector<uint32_t>& indices) {
    const size_t count = indices.size() / 3;
    m_triangles.assign(count, Triangle{});
    for (size_t i = 0; i < count; ++i) {
        Triangle& tri = m_triangles[i];
        for (int c = 0; c < 3; ++c) tri.indices[c] = indices[i * 3 + c];
        const Vertex& v0 = vertices[tri.indices[0]];
        const Vertex& v1 = vertices[tri.indices[1]];
        const Vertex& v2 = vertices[tri.indices[2]];
        const Float3 p0 = geometry::Make3(v0.position);
        const Float3 e1 = geometry::Sub(geometry::Make3(v1.position), p0);
        const Float3 e2 = geometry::Sub(geometry::Make3(v2.position), p0);
        geometry::Store3(geometry::Cross(e1, e2), tri.faceNormal);

        const float ds1 = v1.s - v0.s;
        const float ds2 = v2.s - v0.s;
        const float dt1 = v1.t - v0.t;
        const float dt2 = v2.t - v0.t;
        const float det = dt2 * ds1 - ds2 * dt1;
        const float scale = std::fabs(det) <= kSingularMapping ? 1.0f : 1.0f / det;
        const Float3 tangent = geometry::Sub(geometry::Scale(e1, dt2), geometry::Scale(e2, dt1));
        const Float3 binormal = geometry::Sub(geometry::Scale(e2, ds1), geometry::Scale(e1, ds2));
        geometry::Store3(geometry::Scale(tangent, scale), tri.faceTangent);
        geometry::Store3(geometry::Scale(binormal, scale), tri.faceBinormal);

        tri.handled = false;
        tri.group = -1;
        tri.number = static_cast<uint32_t>(i);
    }
}

// Sorting the corners stably by position gives the map's keys in ascending
// order with each list in triangle order, then corner order.
void TangentFrameGenerator::BuildPositionMap(const std::vector<Vertex>& vertices) {
    const size_t numCorners = m_triangles.size() * 3;
    std::vector<uint32_t> corners(numCorners);
    for (size_t i = 0; i < numCorners; ++i) corners[i] = static_cast<uint32_t>(i);
    auto positionOf = [&](uint32_t corner) {
        return vertices[m_triangles[corner / 3].indices[corner % 3]].position;
    };
    std::stable_sort(corners.begin(), corners.end(), [&](uint32_t a, uint32_t b) {
        return PositionLess(positionOf(a), positionOf(b));
    });

    m_positionKeys.clear();
    m_positionStarts.clear();
    m_positionLists.resize(numCorners);
    for (size_t i = 0; i < numCorners; ++i) {
        const float* p = positionOf(corners[i]);
        if (i == 0 || PositionLess(positionOf(corners[i - 1]), p)) {
            m_positionStarts.push_back(static_cast<uint32_t>(i));
            m_positionKeys.insert(m_positionKeys.end(), p, p + 3);
        }
        m_positionLists[i] = corners[i] / 3;
    }
    m_positionStarts.push_back(static_cast<uint32_t>(numCorners));
}

// ---------------------------------------------------------------------------
// Grouping and splitting

// Grows a group from `first`: join the group of the first and of the second
// edge neighbour when the checker accepts, else open a group; then grow from the
// neighbours. An explicit stack keeps the recursive order (T, then all grown
// from N1, then all grown from N2) without deep native recursion.
void TangentFrameGenerator::GrowGroup(uint32_t first, const CanSmoothChecker& checker,
                                      float minCosine) {
    m_growStack.clear();
    m_growStack.push_back(first);
    while (!m_growStack.empty()) {
        const uint32_t t = m_growStack.back();
        m_growStack.pop_back();
        Triangle& tri = m_triangles[t];
        if (tri.handled)
            continue;

        const int32_t neighbours[2] = {m_neighbour1[t], m_neighbour2[t]};
        for (int32_t n : neighbours) {
            if (n < 0)
                continue;
            const Triangle& other = m_triangles[n];
            if (other.group < 0 || !checker.CanSmooth(tri, other, minCosine))
                continue;
            m_groups[other.group].push_back(t);
            tri.group = other.group;
        }
        if (tri.group < 0) {
            tri.group = static_cast<int32_t>(m_groups.size());
            m_groups.push_back({t});
        }
        tri.handled = true;

        if (neighbours[1] >= 0)
            m_growStack.push_back(static_cast<uint32_t>(neighbours[1]));
        if (neighbours[0] >= 0)
            m_growStack.push_back(static_cast<uint32_t>(neighbours[0]));
    }
}

void TangentFrameGenerator::SplitVertices(Pass pass, size_t positionIndex,
                                          std::vector<Vertex>& vertices,
                                          std::vector<uint32_t>& mapping) {
    const int p = static_cast<int>(pass);
    const Float3 key = geometry::Make3(&m_positionKeys[positionIndex * 3]);
    ++m_stamp;
    std::vector<uint32_t> remembered;
    for (std::vector<uint32_t>& group : m_groups) {
        // the group vector: sum of the members' face vectors, normalised
        Float3 sum;
        for (uint32_t t : group)
            sum = geometry::Add(sum, geometry::Make3(FaceVector(m_triangles[t], p)));
        const Float3 vec = geometry::NormalizeByLength(sum);

        remembered.clear();
        for (uint32_t t : group) {
            for (int c = 0; c < 3; ++c) {
                uint32_t v = m_triangles[t].indices[c];
                if (!geometry::SamePosition(geometry::Make3(vertices[v].position), key))
                    continue;
                if (m_earlierStamp[v] == m_stamp) {
                    // an earlier group keeps v: this group gets its own copy
                    const uint32_t copy = static_cast<uint32_t>(vertices.size());
                    Vertex dup = vertices[v];
                    geometry::Store3(vec, PassField(dup, p));
                    vertices.push_back(dup);
                    mapping.push_back(v < m_inputVertexCount ? v : mapping[v]);
                    m_earlierStamp.push_back(0);
                    for (uint32_t u : group) {
                        for (uint32_t& index : m_triangles[u].indices) {
                            if (index == v)
                                index = copy;
                        }
                    }
                    v = copy;
                } else {
                    geometry::Store3(vec, PassField(vertices[v], p));
                }
                remembered.push_back(v);
            }
        }
        for (uint32_t v : remembered) m_earlierStamp[v] = m_stamp;
    }
}

void TangentFrameGenerator::RunPass(Pass pass, size_t positionIndex, std::vector<Vertex>& vertices,
                                    std::vector<uint32_t>& mapping) {
    const int p = static_cast<int>(pass);
    const CanSmoothChecker& checker = *kCheckers[p];
    const float minCosine = p == 0 ? m_normalCosine : p == 1 ? m_tangentCosine : m_binormalCosine;
    const uint32_t begin = m_positionStarts[positionIndex];
    const uint32_t end = m_positionStarts[positionIndex + 1];

    for (uint32_t i = begin; i < end; ++i) {
        Triangle& tri = m_triangles[m_positionLists[i]];
        tri.handled = false;
        tri.group = -1;
    }
    m_groups.clear();
    for (uint32_t i = begin; i < end; ++i) {
        if (!m_triangles[m_positionLists[i]].handled)
            GrowGroup(m_positionLists[i], checker, minCosine);
    }
    SplitVertices(pass, positionIndex, vertices, mapping);
}

// ---------------------------------------------------------------------------
// Entry point

bool TangentFrameGenerator::Generate(std::vector<Vertex>& vertices, std::vector<uint32_t>& indices,
                                     std::vector<uint32_t>& mapping, float normalCosine,
                                     float tangentCosine, float binormalCosine) {
    if (indices.size() % 3 != 0 || vertices.size() > UINT32_MAX)
        return false;
    for (uint32_t index : indices) {
        if (index >= vertices.size())
            return false;
    }

    m_normalCosine = normalCosine;
    m_tangentCosine = tangentCosine;
    m_binormalCosine = binormalCosine;
    m_inputVertexCount = static_cast<uint32_t>(vertices.size());

    mapping.resize(vertices.size());
    for (uint32_t i = 0; i < m_inputVertexCount; ++i) mapping[i] = i;

    SetUpTriangles(vertices, indices);
    BuildPositionMap(vertices);

    // corner positions never change (copies keep their position), so each
    // position's neighbours are found once for its three passes
    std::vector<Float3> corners(m_triangles.size() * 3);
    for (size_t t = 0; t < m_triangles.size(); ++t) {
        for (int c = 0; c < 3; ++c) {
            corners[t * 3 + c] = geometry::Make3(vertices[m_triangles[t].indices[c]].position);
        }
    }
    m_neighbour1.assign(m_triangles.size(), -1);
    m_neighbour2.assign(m_triangles.size(), -1);
    m_earlierStamp.assign(vertices.size(), 0);
    m_stamp = 0;

    std::vector<int32_t> first;
    std::vector<int32_t> second;
    const size_t numPositions = m_positionKeys.size() / 3;
    for (size_t p = 0; p < numPositions; ++p) {
        const uint32_t begin = m_positionStarts[p];
        const uint32_t count = m_positionStarts[p + 1] - begin;
        FindPositionNeighbours(&m_positionLists[begin], count, corners, first, second);
        for (uint32_t i = 0; i < count; ++i) {
            m_neighbour1[m_positionLists[begin + i]] = first[i];
            m_neighbour2[m_positionLists[begin + i]] = second[i];
        }
        RunPass(Pass::kNormals, p, vertices, mapping);
        RunPass(Pass::kTangents, p, vertices, mapping);
        RunPass(Pass::kBinormals, p, vertices, mapping);
    }

    for (size_t t = 0; t < m_triangles.size(); ++t) {
        for (int c = 0; c < 3; ++c) indices[t * 3 + c] = m_triangles[t].indices[c];
    }
    for (Vertex& v : vertices) Orthogonalise(v);
    return true;
}
