// GltfExport: primitives, materials and the GLB container; joints and animations in GltfSkin.
#include "tools/dump/GltfExport.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <map>

#include "tools/common/FileChecks.h"
#include "tools/dump/GltfBuilder.h"
#include "tools/dump/GltfImages.h"
#include "tools/dump/GltfSkin.h"
#include "tools/dump/TextureDescriptor.h"

using Json = nlohmann::ordered_json;

namespace {

constexpr int kDiffuseSlot = 1;
constexpr double kWeightTolerance = 1e-4;

bool Finite3(const Vec3d& v) {
    return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]);
}

Vec3d ToVec(const Float3& v) {
    return {v[0], v[1], v[2]};
}

// A unit vector, or false when `v` has no direction.
bool Normalise(Vec3d& v) {
    const double length = Length(v);
    if (!Finite3(v) || !(length > 1e-20))
        return false;
    v = Vec3d{v.x / length, v.y / length, v.z / length};
    return true;
}

// Any unit vector perpendicular to `n`.
Vec3d Perpendicular(const Vec3d& n) {
    Vec3d axis = std::fabs(n[0]) < 0.9 ? Vec3d{1, 0, 0} : Vec3d{0, 1, 0};
    Vec3d t{axis[1] * n[2] - axis[2] * n[1], axis[2] * n[0] - axis[0] * n[2],
            axis[0] * n[1] - axis[1] * n[0]};
    if (!Normalise(t))
        t = {1, 0, 0};
    return t;
}

// Percent-encodes what a URI reference may not hold as is.
std::string UriEncode(const std::string& text) {
    std::string uri;
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~' || c == '/') {
            uri += static_cast<char>(c);
        } else {
            char buffer[4];
            std::snprintf(buffer, sizeof buffer, "%%%02X", c);
            uri += buffer;
        }
    }
    return uri;
}

float Clamp01(float v) {
    return std::isfinite(v) ? std::min(1.0f, std::max(0.0f, v)) : 0.0f;
}

struct Export {
    GltfBuilder b;
    const DumpFile& file;
    const GltfOptions& options;
    std::map<std::string, int> images;  // primary and alpha name -> image index, -1: unusable
    std::map<std::pair<int, int>, int> samplers;

    Export(const DumpFile& f, const GltfOptions& o) : file(f), options(o) {}

    int Sampler(const TextureImage& image) {
        const int wrapS = image.tileS ? 10497 : 33071;  // REPEAT or CLAMP_TO_EDGE
        const int wrapT = image.tileT ? 10497 : 33071;
        auto sampler = samplers.find({wrapS, wrapT});
        if (sampler == samplers.end()) {
            b.doc["samplers"].push_back({{"wrapS", wrapS}, {"wrapT", wrapT}});
            sampler = samplers
                          .emplace(std::make_pair(wrapS, wrapT),
                                   static_cast<int>(b.doc["samplers"].size()) - 1)
                          .first;
        }
        return sampler->second;
    }

    // The image's index in the document, or -1 (with a warning) when it cannot be embedded.
    int Image(const TextureImage& image) {
        const std::string key = image.primary + "\n" + image.alpha;
        const auto found = images.find(key);
        if (found != images.end())
            return found->second;
        Json entry;
        if (options.externalImages) {
            entry = Json{{"uri", UriEncode(image.primary)}};
        } else {
            const std::string primary = FindImageFile(file.path, image.primary, options.imageDirs);
            const std::string alpha =
                image.alpha.empty() ? std::string()
                                    : FindImageFile(file.path, image.alpha, options.imageDirs);
            GltfImage loaded;
            if (primary.empty())
                loaded.problem =
                    "not found beside the .im" +
                    std::string(options.imageDirs.empty() ? "" : " nor in --image-dir");
            else if (!image.alpha.empty() && alpha.empty())
                loaded.problem = "its alpha image '" + image.alpha + "' was not found";
            else
                loaded = LoadGltfImage(primary, alpha);
            if (!loaded.ok) {
                b.Warn("image '" + image.primary + "' " + loaded.problem +
                       ": its material has no image");
                images.emplace(key, -1);
                return -1;
            }
            const int view = b.AddView(loaded.bytes.data(), loaded.bytes.size(), 0);
            entry = Json{{"bufferView", view}, {"mimeType", loaded.mimeType}};
        }
        b.doc["images"].push_back(entry);
        const int index = static_cast<int>(b.doc["images"].size()) - 1;
        images.emplace(key, index);
        return index;
    }

    int Texture(const MeshMap& map) {
        const TextureImage image = FindTextureImage(file.path, map.fileName);
        if (!image.found) {
            b.Warn("texture descriptors not found (first: " + image.descriptor +
                   "): materials without images");
            return -1;
        }
        const int source = Image(image);
        if (source < 0)
            return -1;
        // the sampler first: adding a member to the ordered document moves the others
        const int sampler = Sampler(image);
        b.doc["textures"].push_back({{"sampler", sampler}, {"source", source}});
        return static_cast<int>(b.doc["textures"].size()) - 1;
    }

    int Material(const MeshMaterial& m) {
        const float opacity = Clamp01(m.opacity);
        Json pbr = {
            {"baseColorFactor",
             {Clamp01(m.diffuse[0]), Clamp01(m.diffuse[1]), Clamp01(m.diffuse[2]), opacity}},
            {"metallicFactor", 0.0},
            {"roughnessFactor", 1.0}};
        for (const MeshMap& map : m.maps) {
            if (map.slot == kDiffuseSlot) {
                const int texture = Texture(map);
                if (texture >= 0)
                    pbr["baseColorTexture"] = {{"index", texture}};
                break;
            }
        }
        Json material = {{"name", m.referenceName},
                         {"pbrMetallicRoughness", pbr},
                         {"emissiveFactor",
                          {Clamp01(m.emissive[0]), Clamp01(m.emissive[1]), Clamp01(m.emissive[2])}},
                         {"doubleSided", m.twoSided != 0}};
        if (opacity < 1.0f)
            material["alphaMode"] = "BLEND";
        b.doc["materials"].push_back(material);
        return static_cast<int>(b.doc["materials"].size()) - 1;
    }

    // Joints and weights of one chunk's vertices, four per vertex, summing to 1.
    void Weights(std::size_t index, std::uint32_t vertices, const GltfSkin& skin,
                 Json& attributes) {
        std::vector<std::vector<std::pair<int, double>>> lists(vertices);
        const auto& bones = file.im.bones;
        for (std::size_t j = 0; j < bones.size(); ++j) {
            for (const MeshChunkEntry& e : bones[j].entries) {
                if (e.chunk != index)
                    continue;
                for (const MeshWeight& w : e.weights) {
                    if (w.vertex < 0 || static_cast<std::uint32_t>(w.vertex) >= vertices ||
                        !(w.weight > 0) || !std::isfinite(w.weight))
                        continue;
                    auto& list = lists[static_cast<std::size_t>(w.vertex)];
                    auto same = std::find_if(list.begin(), list.end(), [j](const auto& p) {
                        return p.first == static_cast<int>(j);
                    });
                    if (same != list.end())
                        same->second += w.weight;
                    else
                        list.emplace_back(static_cast<int>(j), w.weight);
                }
            }
        }
        std::vector<std::uint16_t> joints;
        std::vector<float> weights;
        for (auto& list : lists) {
            if (list.empty()) {
                b.Warn("vertices without weights were bound to the root joint with weight 1");
                list.emplace_back(skin.rootJoint, 1.0);
            }
            if (list.size() > 4) {
                b.Warn("vertices with more than 4 weights kept their 4 largest");
                std::stable_sort(list.begin(), list.end(),
                                 [](const auto& a, const auto& c) { return a.second > c.second; });
                list.resize(4);
            }
            double sum = 0;
            for (const auto& p : list) sum += p.second;
            if (std::fabs(sum - 1.0) > kWeightTolerance)
                b.Warn("weights were renormalised to sum to 1");
            // the largest weight takes the rounding rest, so the floats sum to 1
            float rest = 1.0f;
            std::size_t largest = 0;
            for (std::size_t k = 0; k < list.size(); ++k)
                largest = list[k].second > list[largest].second ? k : largest;
            std::array<float, 4> w{0, 0, 0, 0};
            for (std::size_t k = 0; k < list.size(); ++k) {
                if (k != largest) {
                    w[k] = static_cast<float>(list[k].second / sum);
                    rest -= w[k];
                }
            }
            w[largest] = rest;
            for (std::size_t k = 0; k < 4; ++k) {
                joints.push_back(k < list.size() ? static_cast<std::uint16_t>(list[k].first) : 0);
                weights.push_back(w[k]);
            }
        }
        const int jv = b.AddView(joints.data(), joints.size() * 2, gltf::kArrayBuffer);
        attributes["JOINTS_0"] = b.AddAccessor(jv, gltf::kUnsignedShort, vertices, "VEC4");
        attributes["WEIGHTS_0"] = b.AddFloats(weights, 4, "VEC4", gltf::kArrayBuffer, false);
    }

    // One primitive; false when the chunk has nothing to draw.
    bool Primitive(std::size_t index, const GltfSkin* skin, Json& primitives) {
        const MeshChunk& c = file.im.chunks[index];
        const MeshGeometry& g = c.geometry;
        const std::uint32_t vertices = g.vertexCount;
        std::vector<std::uint32_t> indices;
        bool restart = false;
        for (const auto& t : g.triangles) {
            if (t[0] >= vertices || t[1] >= vertices || t[2] >= vertices) {
                b.Warn("triangles with an index out of range were left out");
                continue;
            }
            for (std::uint16_t i : t) {
                indices.push_back(i);
                restart = restart || i == 0xFFFFu;
            }
        }
        if (indices.empty() || vertices == 0) {
            b.Warn("chunks without triangles were left out");
            return false;
        }
        std::vector<float> positions;
        std::vector<float> uvs;
        bool nonFinite = false;
        for (const auto& v : g.vertices) {
            for (int k = 0; k < 5; ++k) {
                const bool ok = std::isfinite(v[k]);
                nonFinite = nonFinite || !ok;
                (k < 3 ? positions : uvs).push_back(ok ? v[k] : 0.0f);
            }
        }
        if (nonFinite)
            b.Warn("positions or texture coordinates that were not numbers became 0");
        // a vertex's face normal: that of the first triangle using it
        std::vector<Vec3d> face(vertices, Vec3d{0, 0, 0});
        std::vector<bool> hasFace(vertices, false);
        for (std::size_t t = 0; t + 2 < indices.size(); t += 3) {
            const Vec3d p0 = ToVec({positions[3 * indices[t]], positions[3 * indices[t] + 1],
                                    positions[3 * indices[t] + 2]});
            const Vec3d p1 =
                ToVec({positions[3 * indices[t + 1]], positions[3 * indices[t + 1] + 1],
                       positions[3 * indices[t + 1] + 2]});
            const Vec3d p2 =
                ToVec({positions[3 * indices[t + 2]], positions[3 * indices[t + 2] + 1],
                       positions[3 * indices[t + 2] + 2]});
            const Vec3d e1{p1[0] - p0[0], p1[1] - p0[1], p1[2] - p0[2]};
            const Vec3d e2{p2[0] - p0[0], p2[1] - p0[1], p2[2] - p0[2]};
            Vec3d n{e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                    e1[0] * e2[1] - e1[1] * e2[0]};
            if (!Normalise(n))
                continue;
            for (std::size_t k = 0; k < 3; ++k) {
                if (!hasFace[indices[t + k]]) {
                    hasFace[indices[t + k]] = true;
                    face[indices[t + k]] = n;
                }
            }
        }
        std::vector<float> normals;
        std::vector<Vec3d> unitNormals;
        for (std::uint32_t i = 0; i < vertices; ++i) {
            Vec3d n = ToVec(g.normals[i]);
            const double length = Length(n);
            if (!Normalise(n)) {
                b.Warn("normals were normalised, a zero normal replaced by its face normal");
                n = hasFace[i] ? face[i] : Vec3d{0, 0, 1};
            } else if (std::fabs(length - 1.0) > 1e-5) {
                b.Warn("normals were normalised, a zero normal replaced by its face normal");
            }
            unitNormals.push_back(n);
            for (int k = 0; k < 3; ++k) normals.push_back(static_cast<float>(n[k]));
        }
        Json attributes;
        attributes["POSITION"] = b.AddFloats(positions, 3, "VEC3", gltf::kArrayBuffer, true);
        attributes["NORMAL"] = b.AddFloats(normals, 3, "VEC3", gltf::kArrayBuffer, false);
        attributes["TEXCOORD_0"] = b.AddFloats(uvs, 2, "VEC2", gltf::kArrayBuffer, false);
        if (g.HasTangents() && g.tangents.size() == vertices) {
            std::vector<float> tangents;
            for (std::uint32_t i = 0; i < vertices; ++i) {
                Vec3d t = ToVec(g.tangents[i]);
                const double length = Length(t);
                if (!Normalise(t))
                    t = Perpendicular(unitNormals[i]);
                if (!(std::fabs(length - 1.0) <= 1e-5))
                    b.Warn("tangents were normalised with w = 1");
                for (int k = 0; k < 3; ++k) tangents.push_back(static_cast<float>(t[k]));
                tangents.push_back(1.0f);
            }
            attributes["TANGENT"] = b.AddFloats(tangents, 4, "VEC4", gltf::kArrayBuffer, false);
        }
        if (skin != nullptr)
            Weights(index, vertices, *skin, attributes);
        int accessor = 0;
        if (restart) {
            // 65535 is the restart value of 16-bit indices: use 32 bits for this primitive
            const int view =
                b.AddView(indices.data(), indices.size() * 4, gltf::kElementArrayBuffer);
            accessor = b.AddAccessor(view, gltf::kUnsignedInt, indices.size(), "SCALAR");
        } else {
            std::vector<std::uint16_t> narrow(indices.begin(), indices.end());
            const int view = b.AddView(narrow.data(), narrow.size() * 2, gltf::kElementArrayBuffer);
            accessor = b.AddAccessor(view, gltf::kUnsignedShort, narrow.size(), "SCALAR");
        }
        primitives.push_back({{"attributes", attributes},
                              {"indices", accessor},
                              {"material", Material(c.material)},
                              {"mode", 4}});
        return true;
    }
};

std::string Title(const std::string& path) {
    std::string name = FileNamePart(path);
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

void Append32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Entry points

GltfResult BuildGlb(const DumpFile& mesh, const std::vector<DumpFile>& animations) {
    return BuildGlb(mesh, animations, GltfOptions{});
}

GltfResult BuildGlb(const DumpFile& mesh, const std::vector<DumpFile>& animations,
                    const GltfOptions& options) {
    GltfResult result;
    if (mesh.kind != DumpKind::IndexedMesh || mesh.fatal) {
        result.error = "a glTF export needs an .im file that reads without errors";
        return result;
    }
    Export e(mesh, options);
    e.b.doc["asset"] = {{"version", "2.0"}, {"generator", "vantok-dump"}};
    e.b.doc["scene"] = 0;
    const bool skinned = !mesh.im.bones.empty();
    GltfSkin skin;
    Json primitives = Json::array();
    // the mesh node comes first, the joints after it
    e.b.doc["nodes"] = Json::array({{{"name", Title(mesh.path)}}});
    if (skinned)
        skin = AddSkin(e.b, mesh.im);
    for (std::size_t i = 0; i < mesh.im.chunks.size(); ++i)
        e.Primitive(i, skinned ? &skin : nullptr, primitives);
    if (primitives.empty()) {
        result.error = "the file has no chunk with triangles";
        return result;
    }
    e.b.doc["meshes"] = Json::array({{{"name", Title(mesh.path)}, {"primitives", primitives}}});
    e.b.doc["nodes"][0]["mesh"] = 0;
    Json roots = Json::array({0});
    if (skinned) {
        e.b.doc["nodes"][0]["skin"] = skin.skin;
        for (int r : skin.sceneRoots) {
            if (r >= 0)
                roots.push_back(r);
        }
    }
    e.b.doc["scenes"] = Json::array({{{"nodes", roots}}});
    for (const DumpFile& kin : animations) {
        if (kin.kind != DumpKind::Animation || kin.fatal) {
            result.error = "'" + kin.path + "' is not an animation that reads without errors";
            return result;
        }
        if (!skinned) {
            e.b.Warn("the mesh has no bones: animations were left out");
            continue;
        }
        AddAnimation(e.b, skin, mesh.im, kin.kin, Title(kin.path));
    }
    if (!e.b.bin.empty()) {
        while (e.b.bin.size() % 4 != 0) e.b.bin.push_back(0);
        e.b.doc["buffers"] = Json::array({{{"byteLength", e.b.bin.size()}}});
    }
    std::string json = e.b.doc.dump(-1, ' ', false, Json::error_handler_t::replace);
    while (json.size() % 4 != 0) json += ' ';
    std::vector<std::uint8_t>& out = result.glb;
    const std::size_t total = 12 + 8 + json.size() + (e.b.bin.empty() ? 0 : 8 + e.b.bin.size());
    if (total > 0xFFFFFFFFu) {
        result.error = "the export would exceed 4 GiB";
        return result;
    }
    out.reserve(total);
    Append32(out, 0x46546C67u);  // "glTF"
    Append32(out, 2);
    Append32(out, static_cast<std::uint32_t>(total));
    Append32(out, static_cast<std::uint32_t>(json.size()));
    Append32(out, 0x4E4F534Au);  // "JSON"
    out.insert(out.end(), json.begin(), json.end());
    if (!e.b.bin.empty()) {
        Append32(out, static_cast<std::uint32_t>(e.b.bin.size()));
        Append32(out, 0x004E4942u);  // "BIN\0"
        out.insert(out.end(), e.b.bin.begin(), e.b.bin.end());
    }
    result.warnings = e.b.warnings;
    result.ok = true;
    return result;
}

GltfResult ExportGlb(const DumpFile& mesh, const std::vector<DumpFile>& animations,
                     const std::string& outPath) {
    return ExportGlb(mesh, animations, outPath, GltfOptions{});
}

GltfResult ExportGlb(const DumpFile& mesh, const std::vector<DumpFile>& animations,
                     const std::string& outPath, const GltfOptions& options) {
    GltfResult result = BuildGlb(mesh, animations, options);
    if (!result.ok)
        return result;
    std::string reason;
    if (!WriteFileAtomically(outPath, result.glb.data(), result.glb.size(), reason)) {
        result.ok = false;
        result.error = "cannot write '" + outPath + "': " + reason;
    }
    return result;
}
