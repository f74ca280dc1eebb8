// SourceScene: a model read through assimp by the tests' own code and posed as the source's
// viewers pose it: a skinned vertex by the weighted sum of its bones' node transforms times the
// offset matrices (all weights, normalised), any other vertex by its mesh node's transform. Node
// transforms come from the nodes at rest or from an animation's channels at a time (positions
// and scales interpolated linearly, rotations spherically, the first or last key held outside
// them). Texture coordinates are given top-down (v = 0 at the image's top row): assimp hands
// them over bottom-up. Nothing of the importer is used here.
#pragma once

#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <algorithm>
#include <assimp/Importer.hpp>
#include <cmath>
#include <string>
#include <vector>

struct SourceCorner {
    aiVector3D position;
    float u = 0, v = 0;
    bool textured = false;
};

struct Box {
    aiVector3D lo{1e30f, 1e30f, 1e30f}, hi{-1e30f, -1e30f, -1e30f};
    void Add(const aiVector3D& p) {
        lo = aiVector3D(std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z));
        hi = aiVector3D(std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z));
    }
    float Diagonal() const { return (hi - lo).Length(); }
};

class SourceScene {
public:
    bool Load(const std::string& path, std::string& error) {
        m_importer.SetPropertyBool(AI_CONFIG_IMPORT_FBX_PRESERVE_PIVOTS, false);
        m_importer.SetPropertyBool(AI_CONFIG_IMPORT_NO_SKELETON_MESHES, true);
        m_scene = m_importer.ReadFile(path, aiProcess_Triangulate);
        if (m_scene == nullptr || m_scene->mRootNode == nullptr) {
            error = m_importer.GetErrorString();
            return false;
        }
        // nodes in pre-order with their parents
        std::vector<std::pair<const aiNode*, int>> stack{{m_scene->mRootNode, -1}};
        while (!stack.empty()) {
            auto [node, parent] = stack.back();
            stack.pop_back();
            m_parents.push_back(parent);
            m_nodes.push_back(node);
            const int index = static_cast<int>(m_nodes.size()) - 1;
            for (unsigned c = node->mNumChildren; c > 0; --c) {
                stack.emplace_back(node->mChildren[c - 1], index);
            }
        }
        return true;
    }

    const aiScene& Scene() const { return *m_scene; }

    // Node globals at rest (animation < 0) or at `ticks` of an animation.
    std::vector<aiMatrix4x4> Globals(int animation, double ticks) const {
        std::vector<aiMatrix4x4> globals(m_nodes.size());
        for (size_t i = 0; i < m_nodes.size(); ++i) {
            aiMatrix4x4 local = m_nodes[i]->mTransformation;
            if (const aiNodeAnim* c = Channel(animation, m_nodes[i]->mName)) {
                aiVector3D s, p;
                aiQuaternion r;
                local.Decompose(s, r, p);
                local = aiMatrix4x4(Vec(c->mScalingKeys, c->mNumScalingKeys, ticks, s),
                                    Rot(c->mRotationKeys, c->mNumRotationKeys, ticks, r),
                                    Vec(c->mPositionKeys, c->mNumPositionKeys, ticks, p));
            }
            globals[i] = m_parents[i] < 0 ? local : globals[m_parents[i]] * local;
        }
        return globals;
    }

    // Every triangle corner, posed by `globals`; `bindPose`: skinned vertices by their mesh
    // node's transform instead (the raw vertices, as the offset matrices' bind pose holds them).
    std::vector<SourceCorner> Corners(const std::vector<aiMatrix4x4>& globals,
                                      bool bindPose = false) const {
        std::vector<SourceCorner> corners;
        for (size_t i = 0; i < m_nodes.size(); ++i) {
            for (unsigned k = 0; k < m_nodes[i]->mNumMeshes; ++k) {
                const aiMesh& mesh = *m_scene->mMeshes[m_nodes[i]->mMeshes[k]];
                const std::vector<aiVector3D> posed = Posed(mesh, globals[i], globals, bindPose);
                for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
                    if (mesh.mFaces[f].mNumIndices != 3) {
                        continue;
                    }
                    for (unsigned c = 0; c < 3; ++c) {
                        const unsigned v = mesh.mFaces[f].mIndices[c];
                        SourceCorner& out = corners.emplace_back();
                        out.position = posed[v];
                        if (mesh.mTextureCoords[0] != nullptr) {
                            out.textured = true;
                            out.u = mesh.mTextureCoords[0][v].x;
                            out.v = 1.0f - mesh.mTextureCoords[0][v].y;
                        }
                    }
                }
            }
        }
        return corners;
    }

    // The largest number of weights of one vertex.
    int MaxInfluences() const {
        int most = 0;
        for (unsigned m = 0; m < m_scene->mNumMeshes; ++m) {
            const aiMesh& mesh = *m_scene->mMeshes[m];
            std::vector<int> count(mesh.mNumVertices, 0);
            for (unsigned b = 0; b < mesh.mNumBones; ++b) {
                for (unsigned w = 0; w < mesh.mBones[b]->mNumWeights; ++w) {
                    const unsigned v = mesh.mBones[b]->mWeights[w].mVertexId;
                    if (v < mesh.mNumVertices && mesh.mBones[b]->mWeights[w].mWeight > 0) {
                        most = std::max(most, ++count[v]);
                    }
                }
            }
        }
        return most;
    }

    // True when some node's model-space scale at `globals` differs from its scale at rest.
    bool ScaleChanges(const std::vector<aiMatrix4x4>& globals) const {
        const std::vector<aiMatrix4x4> rest = Globals(-1, 0);
        for (size_t i = 0; i < m_nodes.size(); ++i) {
            aiVector3D s0, s1, p;
            aiQuaternion r;
            rest[i].Decompose(s0, r, p);
            globals[i].Decompose(s1, r, p);
            if ((s0 - s1).Length() > 1e-3f * std::max(1.0f, s0.Length())) {
                return true;
            }
        }
        return false;
    }

    // First and last key time of an animation, in ticks.
    void KeyRange(int animation, double& first, double& last) const {
        first = 1e300;
        last = -1e300;
        const aiAnimation& a = *m_scene->mAnimations[animation];
        for (unsigned c = 0; c < a.mNumChannels; ++c) {
            const aiNodeAnim& ch = *a.mChannels[c];
            for (unsigned k = 0; k < ch.mNumPositionKeys; ++k)
                Extend(ch.mPositionKeys[k].mTime, first, last);
            for (unsigned k = 0; k < ch.mNumRotationKeys; ++k)
                Extend(ch.mRotationKeys[k].mTime, first, last);
            for (unsigned k = 0; k < ch.mNumScalingKeys; ++k)
                Extend(ch.mScalingKeys[k].mTime, first, last);
        }
        if (!(first <= last)) {
            first = last = 0;
        }
    }

private:
    static void Extend(double t, double& first, double& last) {
        first = std::min(first, t);
        last = std::max(last, t);
    }

    const aiNodeAnim* Channel(int animation, const aiString& name) const {
        if (animation < 0) {
            return nullptr;
        }
        const aiAnimation& a = *m_scene->mAnimations[animation];
        for (unsigned c = 0; c < a.mNumChannels; ++c) {
            if (a.mChannels[c]->mNodeName == name) {
                return a.mChannels[c];
            }
        }
        return nullptr;
    }

    // Index of the last key at or before t, and the blend towards the next.
    template <typename Key>
    static unsigned Find(const Key* keys, unsigned count, double t, float& blend) {
        unsigned k = 0;
        while (k + 1 < count && keys[k + 1].mTime <= t) ++k;
        blend = 0;
        if (k + 1 < count && t > keys[k].mTime && keys[k + 1].mTime > keys[k].mTime) {
            blend = static_cast<float>((t - keys[k].mTime) / (keys[k + 1].mTime - keys[k].mTime));
        }
        return k;
    }

    static aiVector3D Vec(const aiVectorKey* keys, unsigned count, double t, aiVector3D rest) {
        if (count == 0)
            return rest;
        float f = 0;
        const unsigned k = Find(keys, count, t, f);
        return f == 0 ? keys[k].mValue : keys[k].mValue * (1 - f) + keys[k + 1].mValue * f;
    }

    static aiQuaternion Rot(const aiQuatKey* keys, unsigned count, double t, aiQuaternion rest) {
        if (count == 0)
            return rest;
        float f = 0;
        const unsigned k = Find(keys, count, t, f);
        if (f == 0)
            return keys[k].mValue;
        aiQuaternion out;
        aiQuaternion::Interpolate(out, keys[k].mValue, keys[k + 1].mValue, f);
        return out.Normalize();
    }

    int NodeIndex(const aiString& name) const {
        for (size_t i = 0; i < m_nodes.size(); ++i) {
            if (m_nodes[i]->mName == name)
                return static_cast<int>(i);
        }
        return -1;
    }

    std::vector<aiVector3D> Posed(const aiMesh& mesh, const aiMatrix4x4& node,
                                  const std::vector<aiMatrix4x4>& globals, bool bindPose) const {
        std::vector<aiVector3D> sum(mesh.mNumVertices);
        std::vector<float> weight(mesh.mNumVertices, 0.0f);
        for (unsigned b = 0; b < mesh.mNumBones && !bindPose; ++b) {
            const aiBone& bone = *mesh.mBones[b];
            const int j = NodeIndex(bone.mName);
            if (j < 0)
                continue;
            const aiMatrix4x4 m = globals[j] * bone.mOffsetMatrix;
            for (unsigned w = 0; w < bone.mNumWeights; ++w) {
                const aiVertexWeight& vw = bone.mWeights[w];
                if (vw.mVertexId < mesh.mNumVertices && vw.mWeight > 0) {
                    sum[vw.mVertexId] += (m * mesh.mVertices[vw.mVertexId]) * vw.mWeight;
                    weight[vw.mVertexId] += vw.mWeight;
                }
            }
        }
        for (unsigned v = 0; v < mesh.mNumVertices; ++v) {
            sum[v] = weight[v] > 0 ? sum[v] / weight[v] : node * mesh.mVertices[v];
        }
        return sum;
    }

    Assimp::Importer m_importer;
    const aiScene* m_scene = nullptr;
    std::vector<const aiNode*> m_nodes;
    std::vector<int> m_parents;
};
