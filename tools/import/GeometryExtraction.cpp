// GeometryExtraction: walks the node table, transforms each mesh's vertices once, then emits the
// triangles of its faces.
#include "tools/import/GeometryExtraction.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <utility>

namespace {

struct Counts {
    long points = 0;
    long lines = 0;
    long badFaces = 0;
    long cappedVertices = 0;
    long nonFinite = 0;
};

float Finite(float value, Counts& counts) {
    if (std::isfinite(value)) {
        return value;
    }
    ++counts.nonFinite;
    return 0.0f;
}

Vec3 Normalised(const aiVector3D& v) {
    const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (!(length > 0) || !std::isfinite(length)) {
        return Vec3{};
    }
    return Vec3{v.x / length, v.y / length, v.z / length};
}

// One vertex's weights: the largest kept (ties to the lower bone), renormalised.
void SetWeights(std::vector<std::pair<int, float>>& list, int maxWeights, ImportVertex& v,
                Counts& counts) {
    std::stable_sort(list.begin(), list.end(), [](const auto& a, const auto& b) {
        return a.second > b.second || (a.second == b.second && a.first < b.first);
    });
    if (static_cast<int>(list.size()) > maxWeights) {
        list.resize(maxWeights);
        ++counts.cappedVertices;
    }
    float sum = 0;
    for (const auto& [bone, weight] : list) {
        sum += weight;
    }
    v.weightCount = static_cast<int>(list.size());
    for (int k = 0; k < v.weightCount; ++k) {
        v.boneIds[k] = list[k].first;
        v.weights[k] = list[k].second / sum;
    }
}

// Skinned vertices posed by their bones at rest: the weighted sum of the bone node's rest
// transform times the offset matrix applied to the vertex (all weights, normalised).
struct RestPose {
    std::vector<aiVector3D> positions;
    std::vector<aiVector3D> normals;
    std::vector<float> weightSums;

    void Reset(unsigned n) {
        positions.assign(n, aiVector3D());
        normals.assign(n, aiVector3D());
        weightSums.assign(n, 0.0f);
    }

    void Add(const aiMesh& mesh, const aiMatrix4x4& boneRest, const aiBone& bone) {
        const aiMatrix4x4 m = boneRest * bone.mOffsetMatrix;
        const aiMatrix3x3 normalMatrix = aiMatrix3x3(m).Inverse().Transpose();
        for (unsigned w = 0; w < bone.mNumWeights; ++w) {
            const aiVertexWeight& vw = bone.mWeights[w];
            if (vw.mVertexId >= mesh.mNumVertices || !(vw.mWeight > 0) ||
                !std::isfinite(vw.mWeight)) {
                continue;
            }
            positions[vw.mVertexId] += (m * mesh.mVertices[vw.mVertexId]) * vw.mWeight;
            if (mesh.mNormals != nullptr) {
                normals[vw.mVertexId] += (normalMatrix * mesh.mNormals[vw.mVertexId]) * vw.mWeight;
            }
            weightSums[vw.mVertexId] += vw.mWeight;
        }
    }
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Entry points

void ExtractGeometry(const aiScene& scene, const NodeTable& table, const Skeleton& skeleton,
                     int maxWeights, bool atRest, MaterialExtractor& materials,
                     ImportedModel& model) {
    Counts counts;
    std::unordered_map<unsigned, int> materialIds;  // assimp index -> interchange id
    const bool hasBones = !skeleton.bones.empty();
    std::vector<ImportVertex> vertices;
    std::vector<std::vector<std::pair<int, float>>> weights;
    RestPose rest;

    for (int i = 0; i < table.Count(); ++i) {
        const aiNode* node = table.Node(i);
        const aiMatrix4x4& global = table.RestGlobal(i);
        const aiMatrix3x3 normalMatrix = aiMatrix3x3(global).Inverse().Transpose();
        const bool mirrored = global.Determinant() < 0;
        const int nodeBone = hasBones ? std::max(skeleton.boneOfNode[i], 0) : -1;
        for (unsigned k = 0; k < node->mNumMeshes; ++k) {
            if (node->mMeshes[k] >= scene.mNumMeshes ||
                scene.mMeshes[node->mMeshes[k]] == nullptr) {
                continue;
            }
            const aiMesh& mesh = *scene.mMeshes[node->mMeshes[k]];
            const unsigned n = mesh.mNumVertices;

            // vertices in model space, with their weights
            vertices.assign(n, ImportVertex{});
            weights.assign(hasBones ? n : 0, {});
            rest.Reset(atRest ? n : 0);
            for (unsigned b = 0; hasBones && b < mesh.mNumBones; ++b) {
                const aiBone* bone = mesh.mBones[b];
                const int j = bone == nullptr ? -1 : table.Find(std::string(bone->mName.C_Str()));
                if (j < 0 || skeleton.boneOfNode[j] < 0) {
                    continue;
                }
                if (atRest) {
                    rest.Add(mesh, table.RestGlobal(j), *bone);
                }
                for (unsigned w = 0; w < bone->mNumWeights; ++w) {
                    const aiVertexWeight& vw = bone->mWeights[w];
                    if (vw.mVertexId < n && vw.mWeight > 0 && std::isfinite(vw.mWeight)) {
                        weights[vw.mVertexId].emplace_back(skeleton.boneOfNode[j], vw.mWeight);
                    }
                }
            }
            for (unsigned v = 0; v < n; ++v) {
                ImportVertex& out = vertices[v];
                const bool posed = atRest && rest.weightSums[v] > 0;
                const aiVector3D p =
                    posed ? rest.positions[v] / rest.weightSums[v] : global * mesh.mVertices[v];
                out.position = Vec3{Finite(p.x, counts), Finite(p.y, counts), Finite(p.z, counts)};
                if (mesh.mNormals != nullptr) {
                    const aiVector3D nn = posed ? rest.normals[v] : normalMatrix * mesh.mNormals[v];
                    const Vec3 q = Normalised(nn);
                    out.normal =
                        Vec3{Finite(q.x, counts), Finite(q.y, counts), Finite(q.z, counts)};
                }
                // assimp was asked for top-down coordinates (v = 0 at the image's top row)
                if (mesh.mTextureCoords[0] != nullptr) {
                    out.uv[0] = Finite(mesh.mTextureCoords[0][v].x, counts);
                    out.uv[1] = Finite(mesh.mTextureCoords[0][v].y, counts);
                }
                if (hasBones) {
                    if (weights[v].empty()) {
                        weights[v].emplace_back(nodeBone, 1.0f);
                    }
                    SetWeights(weights[v], maxWeights, out, counts);
                }
            }

            // triangles
            int materialId = -1;
            for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
                const aiFace& face = mesh.mFaces[f];
                if (face.mNumIndices < 3) {
                    ++(face.mNumIndices == 2 ? counts.lines : counts.points);
                    continue;
                }
                if (face.mNumIndices > 3 || face.mIndices[0] >= n || face.mIndices[1] >= n ||
                    face.mIndices[2] >= n) {
                    ++counts.badFaces;
                    continue;
                }
                if (materialId < 0) {
                    const auto found = materialIds.find(mesh.mMaterialIndex);
                    if (found != materialIds.end()) {
                        materialId = found->second;
                    } else {
                        materialId = static_cast<int>(model.materials.size());
                        materialIds.emplace(mesh.mMaterialIndex, materialId);
                        model.materials.push_back(materials.Extract(mesh.mMaterialIndex));
                    }
                }
                ImportTriangle& t = model.triangles.emplace_back();
                t.materialId = materialId;
                t.corners[0] = vertices[face.mIndices[0]];
                t.corners[1] = vertices[face.mIndices[mirrored ? 2 : 1]];
                t.corners[2] = vertices[face.mIndices[mirrored ? 1 : 2]];
            }
        }
    }

    if (counts.points + counts.lines > 0) {
        model.warnings.push_back("dropped " + std::to_string(counts.points) + " point(s) and " +
                                 std::to_string(counts.lines) + " line(s)");
    }
    if (counts.badFaces > 0) {
        model.warnings.push_back("dropped " + std::to_string(counts.badFaces) +
                                 " face(s) with indices out of range");
    }
    if (counts.cappedVertices > 0) {
        model.warnings.push_back(std::to_string(counts.cappedVertices) +
                                 " vertex(es) had more than " + std::to_string(maxWeights) +
                                 " weights; the largest were kept and renormalised");
    }
    if (counts.nonFinite > 0) {
        model.warnings.push_back(std::to_string(counts.nonFinite) +
                                 " coordinate(s) that were not finite written as 0");
    }
}
