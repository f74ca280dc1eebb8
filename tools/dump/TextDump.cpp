// TextDump: the dump model as short, aligned text for a terminal.
#include "tools/dump/TextDump.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

namespace {

// Deep trees are indented up to this level, so the text stays linear in the tree's size.
constexpr int kMaxIndent = 24;

class Text {
public:
    explicit Text(std::string& out) : m_out(out) {}
#if defined(__MINGW32__)
    [[gnu::format(gnu_printf, 2, 3)]]
#else
    [[gnu::format(printf, 2, 3)]]
#endif
    void
    Line(const char* format, ...) {
        char buffer[1024];
        va_list args;
        va_start(args, format);
        std::vsnprintf(buffer, sizeof buffer, format, args);
        va_end(args);
        m_out += buffer;
        m_out += '\n';
    }

private:
    std::string& m_out;
};

std::string Indent(int depth) {
    return std::string(2u * static_cast<std::size_t>(std::min(std::max(depth, 0), kMaxIndent)),
                       ' ');
}

// Chunk ids of damaged files: printable ASCII as is, other bytes as \xNN.
std::string Printable(const std::string& id) {
    std::string text;
    for (unsigned char c : id) {
        char buffer[8];
        std::snprintf(buffer, sizeof buffer, c >= 0x20 && c < 0x7f ? "%c" : "\\x%02X", c);
        text += buffer;
    }
    return text;
}

std::string Vec(const float* v, int n) {
    std::string text = "(";
    char buffer[32];
    for (int i = 0; i < n; ++i) {
        std::snprintf(buffer, sizeof buffer, i == 0 ? "%g" : ", %g", static_cast<double>(v[i]));
        text += buffer;
    }
    return text + ")";
}

std::size_t Shown(std::size_t count, const DumpOptions& options) {
    return options.all ? count : std::min(count, options.rows);
}

void Heading(Text& t, const char* what, std::size_t shown, std::size_t count) {
    if (shown == count)
        t.Line("    %s (%zu):", what, count);
    else
        t.Line("    %s (first %zu of %zu):", what, shown, count);
}

void Tree(Text& t, const std::vector<TreeBone>& bones, bool withTransform) {
    for (const TreeBone& b : bones) {
        if (withTransform)
            t.Line("  %s%s  position %s  rotation %s", Indent(b.depth).c_str(), b.name.c_str(),
                   Vec(b.position.data(), 3).c_str(), Vec(b.rotation.data(), 4).c_str());
        else
            t.Line("  %s%s", Indent(b.depth).c_str(), b.name.c_str());
    }
}

void Chunk(Text& t, const MeshModel& im, std::size_t index, const DumpOptions& options) {
    const MeshChunk& c = im.chunks[index];
    const MeshMaterial& m = c.material;
    const MeshGeometry& g = c.geometry;
    t.Line("CHNK %zu (index %u)", index, c.index);
    t.Line("  material  %s", m.referenceName.c_str());
    t.Line("    two-sided %u  opacity %g  shine %g", m.twoSided, static_cast<double>(m.opacity),
           static_cast<double>(m.shine));
    t.Line("    ambient %s  diffuse %s", Vec(m.ambient.data(), 3).c_str(),
           Vec(m.diffuse.data(), 3).c_str());
    t.Line("    specular %s  emissive %s", Vec(m.specular.data(), 3).c_str(),
           Vec(m.emissive.data(), 3).c_str());
    for (const auto& [name, value] : m.pairs)
        t.Line("    property %s = %s", name.c_str(), value.c_str());
    for (const MeshMap& map : m.maps)
        t.Line("    map %-8s (slot %d)  %s  amount %g", SlotNameOf(map.slot), map.slot,
               map.fileName.c_str(), static_cast<double>(map.amount));
    t.Line("  geometry  %u vertices, %u triangles, tangents %s, %u influences per vertex%s%s",
           g.vertexCount, g.triangleCount, g.HasTangents() ? "yes" : "no", g.influencesPerVertex,
           g.boundNode.empty() ? "" : ", bound to ", g.boundNode.c_str());
    const std::size_t vertices = Shown(g.vertices.size(), options);
    Heading(t, "vertices: position, uv, normal", vertices, g.vertices.size());
    for (std::size_t i = 0; i < vertices; ++i) {
        const auto& v = g.vertices[i];
        std::string tangent;
        if (i < g.tangents.size())
            tangent = "  tangent " + Vec(g.tangents[i].data(), 3);
        t.Line("    %6zu  %s  %s  %s%s", i, Vec(v.data(), 3).c_str(), Vec(v.data() + 3, 2).c_str(),
               i < g.normals.size() ? Vec(g.normals[i].data(), 3).c_str() : "", tangent.c_str());
    }
    const std::size_t triangles = Shown(g.triangles.size(), options);
    Heading(t, "triangles: indices, face normal", triangles, g.triangles.size());
    for (std::size_t i = 0; i < triangles; ++i) {
        const auto& tri = g.triangles[i];
        t.Line("    %6zu  %5u %5u %5u  %s", i, tri[0], tri[1], tri[2],
               i < g.faceNormals.size() ? Vec(g.faceNormals[i].data(), 3).c_str() : "");
    }
    std::string palette;
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
            palette += (palette.empty() ? "" : ", ") + bone.name + " " + std::to_string(weights);
    }
    if (im.hasInfluences)
        t.Line("  palette (bone weights)  %s", palette.empty() ? "-" : palette.c_str());
    for (const ChunkNode& n : c.progressive)
        t.Line("  NINF at offset %zu, %u bytes: removed by trimming", n.offset, n.size + 8u);
}

void IndexedMesh(Text& t, const MeshModel& im, const DumpOptions& options) {
    const MeshInfo& info = im.info;
    t.Line("INFO (version %u)", info.version);
    t.Line("  chunks %u  influences per vertex %u  bones per chunk %u", info.chunkCount,
           info.influencesPerVertex, info.bonesPerChunk);
    t.Line("  origin %s  orientation %s", Vec(info.origin.data(), 3).c_str(),
           Vec(info.orientation.data(), 4).c_str());
    t.Line("  bounding box %s to %s", Vec(info.boxMin.data(), 3).c_str(),
           Vec(info.boxMax.data(), 3).c_str());
    for (std::size_t i = 0; i < im.chunks.size(); ++i) Chunk(t, im, i, options);
    if (im.hasInfluences) {
        t.Line("INFL (%zu bones)", im.bones.size());
        for (const MeshBone& b : im.bones) {
            std::size_t weights = 0;
            for (const MeshChunkEntry& e : b.entries) weights += e.weights.size();
            t.Line("  %-20s parent %-20s bind %s  %zu weights in %zu chunk entries", b.name.c_str(),
                   b.parent.empty() ? "-" : b.parent.c_str(), Vec(b.position.data(), 3).c_str(),
                   weights, b.entries.size());
        }
    }
    if (im.hasSkeleton) {
        t.Line("SKEL (%zu bones)", im.skeleton.size());
        Tree(t, im.skeleton, true);
    }
    if (im.hasAttachments) {
        t.Line("ATCH (%zu attachments)", im.attachments.size());
        for (const MeshAttachment& a : im.attachments)
            t.Line("  %-20s position %s  rows %s", a.name.c_str(),
                   Vec(a.position.data(), 3).c_str(), Vec(a.matrix.data(), 9).c_str());
    }
    for (const ChunkNode& n : im.progressive)
        t.Line("%s at offset %zu, %u bytes: removed by trimming", n.id.c_str(), n.offset,
               n.size + 8u);
}

void Animation(Text& t, const KinModel& kin, const DumpOptions& options) {
    t.Line("INFO  name %s  %d frames at %d per second  (%g)", kin.name.c_str(), kin.frameCount,
           kin.frameRate, static_cast<double>(kin.scale));
    t.Line("EVNT (%zu events)", kin.events.size());
    for (const KinEvent& e : kin.events)
        t.Line("  frame %5d  %-13s (type %d)  %s", e.frame, EventNameOf(e.type), e.type,
               e.name.c_str());
    t.Line("SKEL (%zu bones)", kin.bones.size());
    Tree(t, kin.bones, false);
    const std::size_t frames = Shown(kin.frames.size(), options);
    t.Line("FRAM (%zu frames%s): frame, poses, first bone's position and rotation",
           kin.frames.size(),
           frames == kin.frames.size() ? "" : (", first " + std::to_string(frames)).c_str());
    for (std::size_t i = 0; i < frames; ++i) {
        const KinFrame& f = kin.frames[i];
        if (f.poses.empty()) {
            t.Line("  %6d  %zu", f.frame, f.poses.size());
            continue;
        }
        // the file holds the conjugate of the model-space rotation
        const auto& p = f.poses[0];
        const float rotation[4] = {-p[3], -p[4], -p[5], p[6]};
        t.Line("  %6d  %zu  %s  %s", f.frame, f.poses.size(), Vec(p.data(), 3).c_str(),
               Vec(rotation, 4).c_str());
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Entry point

std::string DumpText(const DumpFile& file, const DumpOptions& options) {
    std::string out;
    Text t(out);
    t.Line("%s: %zu bytes, form %s%s", file.path.c_str(), file.length, file.form.c_str(),
           file.progressiveMesh ? " (progressive mesh)" : "");
    t.Line("chunks:      offset        size");
    t.Line("  VIRF %12u %11zu", 0u, file.length >= 8 ? file.length - 8 : 0);
    for (const ChunkNode& n : file.tree)
        t.Line("  %s%s %*zu %11u", Indent(n.depth + 1).c_str(), Printable(n.id).c_str(),
               std::max(1, 12 - 2 * std::min(n.depth + 1, kMaxIndent)), n.offset, n.size);
    if (file.kind == DumpKind::IndexedMesh)
        IndexedMesh(t, file.im, options);
    else if (file.kind == DumpKind::Animation)
        Animation(t, file.kin, options);
    return out;
}
