// GltfSkin: joint nodes, inverse bind matrices, the skin and animation channels.
#include "tools/dump/GltfSkin.h"

#include <cctype>
#include <cmath>

using Json = nlohmann::ordered_json;

namespace {

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

int FindBone(const std::vector<MeshBone>& bones, const std::string& name) {
    for (std::size_t i = 0; i < bones.size(); ++i) {
        if (SameName(bones[i].name, name))
            return static_cast<int>(i);
    }
    return -1;
}

bool Finite(double v) {
    return std::isfinite(v);
}

// Parent links by name, with every loop cut where it closes.
std::vector<int> LinkParents(const std::vector<MeshBone>& bones) {
    const std::size_t n = bones.size();
    std::vector<int> parents(n, -1);
    for (std::size_t i = 0; i < n; ++i) {
        if (!bones[i].parent.empty())
            parents[i] = FindBone(bones, bones[i].parent);
        if (parents[i] == static_cast<int>(i))
            parents[i] = -1;
    }
    // 0: not seen, 1: on the current path, 2: done
    std::vector<int> state(n, 0);
    std::vector<int> path;
    for (std::size_t start = 0; start < n; ++start) {
        path.clear();
        int b = static_cast<int>(start);
        while (b >= 0 && state[b] == 0) {
            state[b] = 1;
            path.push_back(b);
            const int up = parents[b];
            if (up >= 0 && state[up] == 1) {
                parents[b] = -1;  // the loop closes here
                break;
            }
            b = up;
        }
        for (int p : path) state[p] = 2;
    }
    return parents;
}

Json Numbers(const Vec3d& v) {
    return Json::array(
        {static_cast<float>(v[0]), static_cast<float>(v[1]), static_cast<float>(v[2])});
}

// The local bind transform of an INFL record: its position and the rotation of its matrix,
// which holds the transpose of the rotation's matrix.
Rigidd LocalBind(const MeshBone& bone) {
    Rigidd local;
    for (int i = 0; i < 3; ++i)
        local.position[i] = Finite(bone.position[i]) ? bone.position[i] : 0.0;
    std::array<double, 9> rows{};
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) rows[3 * r + c] = bone.matrix[3 * c + r];
    }
    local.rotation = FromRows(rows);
    return local;
}

// Composed and relative poses, their rotations normalised against drift.
Rigidd ComposeNormalised(const Rigidd& parent, const Rigidd& local) {
    Rigidd global = Compose(parent, local);
    global.rotation = Normalised(global.rotation);
    return global;
}

Rigidd RelativeNormalised(const Rigidd& parent, const Rigidd& global) {
    Rigidd local = Relative(parent, global);
    local.rotation = Normalised(local.rotation);
    return local;
}

// Column-major inverse of the rigid transform `pose`.
std::array<float, 16> InverseMatrix(const Rigidd& pose) {
    const Quatd inverse = Conjugate(pose.rotation);
    const auto t = Rotate(inverse, pose.position);
    std::array<float, 16> m{};
    for (int c = 0; c < 3; ++c) {
        Vec3d axis;
        axis[c] = 1;
        const auto column = Rotate(inverse, axis);
        for (int r = 0; r < 3; ++r) m[4 * c + r] = static_cast<float>(column[r]);
    }
    for (int r = 0; r < 3; ++r) m[12 + r] = static_cast<float>(-t[r]);
    m[15] = 1.0f;
    return m;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Entry points

GltfSkin AddSkin(GltfBuilder& builder, const MeshModel& im) {
    GltfSkin skin;
    const std::size_t n = im.bones.size();
    skin.parents = LinkParents(im.bones);
    std::vector<Rigidd> local(n);
    Json& nodes = builder.doc["nodes"];
    for (std::size_t i = 0; i < n; ++i) {
        local[i] = LocalBind(im.bones[i]);
        const Quatd& q = local[i].rotation;
        skin.nodes.push_back(static_cast<int>(nodes.size()));
        nodes.push_back({{"name", im.bones[i].name},
                         {"rotation",
                          {static_cast<float>(q.x), static_cast<float>(q.y),
                           static_cast<float>(q.z), static_cast<float>(q.w)}},
                         {"translation", Numbers(local[i].position)}});
    }
    std::vector<int> roots;
    for (std::size_t i = 0; i < n; ++i) {
        const int p = skin.parents[i];
        if (p < 0)
            roots.push_back(static_cast<int>(i));
        else
            nodes[skin.nodes[p]]["children"].push_back(skin.nodes[i]);
    }
    skin.rootJoint = roots.empty() ? 0 : roots.front();
    // glTF wants one root above every joint
    int skeletonRoot = roots.empty() ? -1 : skin.nodes[roots.front()];
    if (roots.size() > 1) {
        skeletonRoot = static_cast<int>(nodes.size());
        Json children = Json::array();
        for (int r : roots) children.push_back(skin.nodes[r]);
        nodes.push_back({{"name", "skeleton"}, {"children", children}});
    }
    skin.sceneRoots.push_back(skeletonRoot);

    // bind pose, parents before children: resolve each chain from its top
    skin.bind.assign(n, Rigidd{});
    std::vector<bool> done(n, false);
    std::vector<int> chain;
    for (std::size_t start = 0; start < n; ++start) {
        chain.clear();
        for (int b = static_cast<int>(start); b >= 0 && !done[b]; b = skin.parents[b])
            chain.push_back(b);
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
            const int p = skin.parents[*it];
            skin.bind[*it] = p < 0 ? local[*it] : ComposeNormalised(skin.bind[p], local[*it]);
            done[*it] = true;
        }
    }
    std::vector<float> inverse;
    Json joints = Json::array();
    for (std::size_t i = 0; i < n; ++i) {
        const auto m = InverseMatrix(skin.bind[i]);
        inverse.insert(inverse.end(), m.begin(), m.end());
        joints.push_back(skin.nodes[i]);
    }
    const int view = builder.AddView(inverse.data(), inverse.size() * sizeof(float), 0);
    const int accessor = builder.AddAccessor(view, gltf::kFloat, n, "MAT4");
    builder.doc["skins"].push_back(
        {{"inverseBindMatrices", accessor}, {"skeleton", skeletonRoot}, {"joints", joints}});
    skin.skin = static_cast<int>(builder.doc["skins"].size()) - 1;
    return skin;
}

bool AddAnimation(GltfBuilder& builder, const GltfSkin& skin, const MeshModel& im,
                  const KinModel& kin, const std::string& name) {
    const std::size_t frames = kin.frames.size();
    if (frames == 0) {
        builder.Warn("animation '" + name + "' has no frames and was left out");
        return false;
    }
    // joint -> its pose index in the frames (the kin's pre-order), -1 when the kin lacks it
    std::vector<int> poseOf(im.bones.size(), -1);
    bool any = false;
    for (std::size_t k = 0; k < kin.bones.size(); ++k) {
        const int j = FindBone(im.bones, kin.bones[k].name);
        if (j >= 0 && poseOf[j] < 0) {
            poseOf[j] = static_cast<int>(k);
            any = true;
        }
    }
    if (!any) {
        builder.Warn("animation '" + name + "' names none of the mesh's bones and was left out");
        return false;
    }
    double rate = kin.frameRate;
    if (kin.frameRate <= 0) {
        builder.Warn("a frame rate of 0 was taken as 30 frames per second");
        rate = 30;
    }
    std::vector<float> times(frames);
    for (std::size_t f = 0; f < frames; ++f)
        times[f] = static_cast<float>(static_cast<double>(f) / rate);
    const int input = builder.AddFloats(times, 1, "SCALAR", 0, true);

    // model-space pose of joint j at frame f: from the frame, else its bind pose
    auto global = [&](int j, std::size_t f) {
        const int k = poseOf[j];
        const auto& poses = kin.frames[f].poses;
        if (k < 0 || static_cast<std::size_t>(k) >= poses.size())
            return skin.bind[j];
        const auto& p = poses[k];
        Rigidd pose;
        bool finite = true;
        for (float v : p) finite = finite && std::isfinite(v);
        if (!finite)
            return skin.bind[j];
        pose.position = {p[0], p[1], p[2]};
        pose.rotation = Normalised(FromKinRotation<double>(p[3], p[4], p[5], p[6]));
        return pose;
    };

    Json samplers = Json::array();
    Json channels = Json::array();
    for (std::size_t j = 0; j < im.bones.size(); ++j) {
        if (poseOf[j] < 0)
            continue;
        std::vector<float> translations;
        std::vector<float> rotations;
        Quatd previous;
        for (std::size_t f = 0; f < frames; ++f) {
            const int p = skin.parents[j];
            const Rigidd local =
                p < 0 ? global(static_cast<int>(j), f)
                      : RelativeNormalised(global(p, f), global(static_cast<int>(j), f));
            Quatd q = local.rotation;
            // keep neighbouring keys in one hemisphere, so interpolation takes the short way
            if (f > 0 &&
                q.x * previous.x + q.y * previous.y + q.z * previous.z + q.w * previous.w < 0)
                q = {-q.x, -q.y, -q.z, -q.w};
            previous = q;
            for (int k = 0; k < 3; ++k)
                translations.push_back(static_cast<float>(local.position[k]));
            for (double v : {q.x, q.y, q.z, q.w}) rotations.push_back(static_cast<float>(v));
        }
        const int t = builder.AddFloats(translations, 3, "VEC3", 0, false);
        const int r = builder.AddFloats(rotations, 4, "VEC4", 0, false);
        const int node = skin.nodes[j];
        channels.push_back(
            {{"sampler", samplers.size()}, {"target", {{"node", node}, {"path", "translation"}}}});
        samplers.push_back({{"input", input}, {"interpolation", "LINEAR"}, {"output", t}});
        channels.push_back(
            {{"sampler", samplers.size()}, {"target", {{"node", node}, {"path", "rotation"}}}});
        samplers.push_back({{"input", input}, {"interpolation", "LINEAR"}, {"output", r}});
    }
    builder.doc["animations"].push_back(
        {{"name", name}, {"channels", channels}, {"samplers", samplers}});
    return true;
}
