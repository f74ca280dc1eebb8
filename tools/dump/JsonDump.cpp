// JsonDump: builds the ordered JSON document of a dump model.
#include "tools/dump/JsonDump.h"

#include <algorithm>
#include <cmath>
#include <string>

using Json = nlohmann::ordered_json;

namespace {

Json Number(float value) {
    return std::isfinite(value) ? Json(value) : Json(nullptr);
}

template <std::size_t N>
Json Numbers(const std::array<float, N>& values) {
    Json array = Json::array();
    for (float v : values) array.push_back(Number(v));
    return array;
}

template <typename T, typename F>
Json Rows(const std::vector<T>& items, const DumpOptions& options, F row) {
    Json array = Json::array();
    const std::size_t n = options.all ? items.size() : std::min(items.size(), options.rows);
    for (std::size_t i = 0; i < n; ++i) array.push_back(row(items[i]));
    return array;
}

Json Tree(const std::vector<TreeBone>& bones, bool withTransform) {
    Json array = Json::array();
    for (const TreeBone& b : bones) {
        Json bone = {{"name", b.name},
                     {"parent", b.parent},
                     {"depth", b.depth},
                     {"childCount", b.childCount},
                     {"offset", b.offset}};
        if (withTransform) {
            bone["position"] = Numbers(b.position);
            bone["rotation"] = Numbers(b.rotation);
        }
        array.push_back(bone);
    }
    return array;
}

Json Material(const MeshMaterial& m) {
    Json pairs = Json::array();
    for (const auto& [name, value] : m.pairs) pairs.push_back(Json::array({name, value}));
    Json maps = Json::array();
    for (const MeshMap& map : m.maps)
        maps.push_back({{"slot", map.slot},
                        {"slotName", SlotNameOf(map.slot)},
                        {"fileName", map.fileName},
                        {"amount", Number(map.amount)}});
    return {{"offset", m.offset},
            {"version", m.version},
            {"name", m.referenceName},
            {"pairs", pairs},
            {"twoSided", m.twoSided},
            {"opacity", Number(m.opacity)},
            {"ambient", Numbers(m.ambient)},
            {"diffuse", Numbers(m.diffuse)},
            {"specular", Numbers(m.specular)},
            {"emissive", Numbers(m.emissive)},
            {"shine", Number(m.shine)},
            {"maps", maps}};
}

Json Geometry(const MeshGeometry& g, const DumpOptions& options) {
    auto triple = [](const Float3& v) { return Numbers(v); };
    return {{"offset", g.offset},
            {"version", g.version},
            {"primitiveCode", g.primitiveCode},
            {"flags", g.flags},
            {"tangents", g.HasTangents()},
            {"meanTriangleArea", Number(g.meanTriangleArea)},
            {"vertexCount", g.vertexCount},
            {"triangleCount", g.triangleCount},
            {"indexCount", g.indexCount},
            {"triangleCountAgain", g.triangleCountAgain},
            {"influencesPerVertex", g.influencesPerVertex},
            {"boundNode", g.boundNode},
            {"vertices", Rows(g.vertices, options, [](const auto& v) { return Numbers(v); })},
            {"triangles", Rows(g.triangles, options, [](const auto& t) { return Json(t); })},
            {"normals", Rows(g.normals, options, triple)},
            {"faceNormals", Rows(g.faceNormals, options, triple)},
            {"tangentVectors", Rows(g.tangents, options, triple)}};
}

// Bones of the INFL chunk that weight chunk `index`, with their weight counts.
Json Palette(const MeshModel& im, std::size_t index) {
    Json array = Json::array();
    for (const MeshBone& bone : im.bones) {
        std::size_t weights = 0;
        bool named = false;
        for (const MeshChunkEntry& e : bone.entries) {
            if (e.chunk == index) {
                named = true;
                weights += e.weights.size();
            }
        }
        if (named)
            array.push_back({{"bone", bone.name}, {"weights", weights}});
    }
    return array;
}

Json Progressive(const std::vector<ChunkNode>& nodes) {
    Json array = Json::array();
    for (const ChunkNode& n : nodes)
        array.push_back({{"id", n.id}, {"offset", n.offset}, {"size", n.size}});
    return array;
}

void IndexedMesh(Json& doc, const MeshModel& im, const DumpOptions& options) {
    const MeshInfo& info = im.info;
    doc["info"] = {{"offset", info.offset},
                   {"version", info.version},
                   {"origin", Numbers(info.origin)},
                   {"orientation", Numbers(info.orientation)},
                   {"chunkCount", info.chunkCount},
                   {"influencesPerVertex", info.influencesPerVertex},
                   {"bonesPerChunk", info.bonesPerChunk},
                   {"boundingBox", {{"min", Numbers(info.boxMin)}, {"max", Numbers(info.boxMax)}}}};
    Json chunks = Json::array();
    for (std::size_t i = 0; i < im.chunks.size(); ++i) {
        const MeshChunk& c = im.chunks[i];
        chunks.push_back({{"offset", c.offset},
                          {"version", c.version},
                          {"index", c.index},
                          {"material", Material(c.material)},
                          {"geometry", Geometry(c.geometry, options)},
                          {"palette", Palette(im, i)},
                          {"progressive", Progressive(c.progressive)}});
    }
    doc["meshChunks"] = chunks;
    if (im.hasInfluences) {
        Json bones = Json::array();
        for (const MeshBone& b : im.bones) {
            Json entries = Json::array();
            for (const MeshChunkEntry& e : b.entries) {
                entries.push_back({{"chunk", e.chunk},
                                   {"weightCount", e.weights.size()},
                                   {"weights", Rows(e.weights, options, [](const MeshWeight& w) {
                                        return Json{{"vertex", w.vertex},
                                                    {"weight", Number(w.weight)},
                                                    {"position", Numbers(w.position)}};
                                    })}});
            }
            bones.push_back({{"offset", b.offset},
                             {"name", b.name},
                             {"parent", b.parent},
                             {"position", Numbers(b.position)},
                             {"matrix", Numbers(b.matrix)},
                             {"entries", entries}});
        }
        doc["influences"] = bones;
    }
    if (im.hasSkeleton)
        doc["skeleton"] = Tree(im.skeleton, true);
    if (im.hasAttachments) {
        Json attachments = Json::array();
        for (const MeshAttachment& a : im.attachments)
            attachments.push_back({{"name", a.name},
                                   {"matrix", Numbers(a.matrix)},
                                   {"position", Numbers(a.position)}});
        doc["attachments"] = attachments;
    }
    doc["progressive"] = Progressive(im.progressive);
}

void Animation(Json& doc, const KinModel& kin, const DumpOptions& options) {
    Json events = Json::array();
    for (const KinEvent& e : kin.events)
        events.push_back({{"frame", e.frame},
                          {"type", e.type},
                          {"typeName", EventNameOf(e.type)},
                          {"name", e.name}});
    Json frames = Rows(kin.frames, options, [&options](const KinFrame& f) {
        return Json{{"offset", f.offset},
                    {"frame", f.frame},
                    {"poseCount", f.poses.size()},
                    {"poses", Rows(f.poses, options, [](const auto& p) { return Numbers(p); })}};
    });
    doc["animation"] = {{"offset", kin.infoOffset},
                        {"name", kin.name},
                        {"frameCount", kin.frameCount},
                        {"frameRate", kin.frameRate},
                        {"scale", Number(kin.scale)},
                        {"events", events},
                        {"bones", Tree(kin.bones, false)},
                        {"frameChunks", kin.frames.size()},
                        {"frames", frames}};
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Entry points

const char* SlotNameOf(std::int32_t slot) {
    static const char* const kNames[] = {"ambient",       "diffuse",   "specular", "shine",
                                         "shinestrength", "selfillum", "opacity",  "filtercolor",
                                         "bump",          "reflect",   "refract",  "displacement"};
    if (slot == -1)
        return "invalid";
    return slot >= 0 && slot < 12 ? kNames[slot] : "";
}

const char* EventNameOf(std::int32_t type) {
    static const char* const kNames[] = {"sound",    "soundsync",     "sync",          "3dsys",
                                         "generic",  "effect",        "attach",        "detach",
                                         "transfer", "anim_complete", "loop_complete", "destroyed"};
    return type >= 0 && type < 12 ? kNames[type] : "";
}

Json DumpJson(const DumpFile& file, const DumpOptions& options,
              const std::vector<DumpIssue>* issues) {
    Json doc;
    doc["format"] = 1;
    doc["file"] = file.path;
    doc["length"] = file.length;
    doc["form"] = file.form;
    doc["progressiveMesh"] = file.progressiveMesh;
    Json tree = Json::array();
    for (const ChunkNode& n : file.tree)
        tree.push_back({{"id", n.id}, {"offset", n.offset}, {"size", n.size}, {"depth", n.depth}});
    doc["chunks"] = tree;
    if (file.kind == DumpKind::IndexedMesh)
        IndexedMesh(doc, file.im, options);
    else if (file.kind == DumpKind::Animation)
        Animation(doc, file.kin, options);
    if (file.fatal)
        doc["error"] = {{"chunk", file.fatal->chunk},
                        {"offset", file.fatal->offset},
                        {"message", file.fatal->message}};
    if (issues != nullptr) {
        Json list = Json::array();
        for (const DumpIssue& i : *issues)
            list.push_back({{"severity", i.error ? "error" : "warning"},
                            {"chunk", i.chunk},
                            {"offset", i.offset},
                            {"message", i.message}});
        doc["issues"] = list;
    }
    return doc;
}
