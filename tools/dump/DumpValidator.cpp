// DumpValidator: the consumer's invariants over the dump model, one finding per violation.
#include "tools/dump/DumpValidator.h"

#include <cmath>
#include <map>
#include <string>

namespace {

constexpr float kWeightTolerance = 1e-4f;
constexpr float kUnitTolerance = 1e-3f;
// per chunk and kind, at most this many lines; the rest is counted in one closing line
constexpr int kLinesPerKind = 20;

double Length(const Float3& v) {
    return std::sqrt(double{v[0]} * v[0] + double{v[1]} * v[1] + double{v[2]} * v[2]);
}

// Collects findings of one kind for one chunk, cut after kLinesPerKind lines.
class IssueList {
public:
    IssueList(std::vector<DumpIssue>& out, bool error, std::string chunk)
        : m_out(out), m_error(error), m_chunk(std::move(chunk)) {}
    ~IssueList() {
        if (m_count > kLinesPerKind)
            m_out.push_back(
                DumpIssue{m_error, m_chunk, m_lastOffset,
                          std::to_string(m_count - kLinesPerKind) + " more like the above"});
    }
    void Add(std::size_t offset, std::string message) {
        ++m_count;
        m_lastOffset = offset;
        if (m_count <= kLinesPerKind)
            m_out.push_back(DumpIssue{m_error, m_chunk, offset, std::move(message)});
    }

private:
    std::vector<DumpIssue>& m_out;
    bool m_error;
    std::string m_chunk;
    int m_count = 0;
    std::size_t m_lastOffset = 0;
};

void CheckTreeCounts(const std::vector<TreeBone>& bones, std::vector<DumpIssue>& out) {
    std::vector<std::uint32_t> children(bones.size(), 0);
    for (const TreeBone& b : bones) {
        if (b.parent >= 0)
            ++children[static_cast<std::size_t>(b.parent)];
    }
    for (std::size_t i = 0; i < bones.size(); ++i) {
        if (children[i] != bones[i].childCount)
            out.push_back(DumpIssue{true, "BONE", bones[i].offset,
                                    "bone '" + bones[i].name + "' gives " +
                                        std::to_string(bones[i].childCount) +
                                        " children but holds " + std::to_string(children[i])});
    }
}

void CheckGeometry(const MeshChunk& c, const std::string& label, std::vector<DumpIssue>& out) {
    const MeshGeometry& g = c.geometry;
    if (g.indexCount != 3u * g.triangleCount)
        out.push_back(DumpIssue{true, label, g.offset,
                                "index count " + std::to_string(g.indexCount) + " is not 3 x " +
                                    std::to_string(g.triangleCount) + " triangles"});
    if (g.triangleCountAgain != g.triangleCount)
        out.push_back(DumpIssue{true, label, g.offset,
                                "the second triangle count " +
                                    std::to_string(g.triangleCountAgain) +
                                    " differs from the first, " + std::to_string(g.triangleCount)});
    {
        IssueList range(out, true, label);
        IssueList equal(out, true, label);
        for (std::size_t t = 0; t < g.triangles.size(); ++t) {
            const auto& tri = g.triangles[t];
            const std::size_t at = g.trianglesOffset + 6 * t;
            for (int k = 0; k < 3; ++k) {
                if (tri[k] >= g.vertexCount)
                    range.Add(at + 2 * k, "triangle " + std::to_string(t) + " index " +
                                              std::to_string(tri[k]) +
                                              " is not below the vertex count " +
                                              std::to_string(g.vertexCount));
            }
            if (tri[0] == tri[1] || tri[1] == tri[2] || tri[0] == tri[2])
                equal.Add(at, "triangle " + std::to_string(t) + " (" + std::to_string(tri[0]) +
                                  ", " + std::to_string(tri[1]) + ", " + std::to_string(tri[2]) +
                                  ") has two equal indices");
        }
    }
    // warnings: one line per kind and chunk, with the count and the first case
    auto unitWarning = [&](const std::vector<Float3>& values, const char* what) {
        std::size_t bad = 0;
        std::size_t first = 0;
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (!(std::fabs(Length(values[i]) - 1.0) <= kUnitTolerance) && bad++ == 0)
                first = i;
        }
        if (bad > 0)
            out.push_back(DumpIssue{false, label, g.offset,
                                    std::to_string(bad) + " " + what +
                                        " not of unit length (first: " + std::to_string(first) +
                                        ")"});
    };
    unitWarning(g.normals, "normals");
    unitWarning(g.faceNormals, "face normals");
    std::size_t skewed = 0;
    std::size_t first = 0;
    for (std::size_t i = 0; i < g.tangents.size() && i < g.normals.size(); ++i) {
        const Float3& t = g.tangents[i];
        const Float3& n = g.normals[i];
        const double lengths = Length(t) * Length(n);
        const double dot = double{t[0]} * n[0] + double{t[1]} * n[1] + double{t[2]} * n[2];
        if (lengths > 0 && !(std::fabs(dot / lengths) <= kUnitTolerance) && skewed++ == 0)
            first = i;
    }
    if (skewed > 0)
        out.push_back(DumpIssue{false, label, g.offset,
                                std::to_string(skewed) +
                                    " tangents not orthogonal to their normals (first: " +
                                    std::to_string(first) + ")"});
}

void CheckInfluences(const MeshModel& im, std::vector<DumpIssue>& out) {
    const std::size_t chunks = im.chunks.size();
    // per chunk: vertex -> (weight sum, offset of its first weight, count)
    struct Sum {
        double total = 0;
        std::size_t offset = 0;
        std::uint32_t count = 0;
    };
    std::vector<std::map<std::int32_t, Sum>> sums(chunks);
    std::vector<std::uint32_t> weightedBones(chunks, 0);
    {
        IssueList palette(out, true, "INFL");
        IssueList range(out, true, "INFL");
        for (const MeshBone& bone : im.bones) {
            for (const MeshChunkEntry& e : bone.entries) {
                if (e.chunk >= chunks) {
                    palette.Add(e.offset, "bone '" + bone.name + "' weights chunk " +
                                              std::to_string(e.chunk) + ", outside the file's " +
                                              std::to_string(chunks) + " chunks");
                    continue;
                }
                const std::uint32_t vertices = im.chunks[e.chunk].geometry.vertexCount;
                bool weighted = false;
                for (std::size_t k = 0; k < e.weights.size(); ++k) {
                    const MeshWeight& w = e.weights[k];
                    const std::size_t at = e.offset + 8 + 20 * k;
                    if (w.vertex < 0 || static_cast<std::uint32_t>(w.vertex) >= vertices) {
                        range.Add(at, "bone '" + bone.name + "' weights vertex " +
                                          std::to_string(w.vertex) + " of chunk " +
                                          std::to_string(e.chunk) +
                                          ", not below its vertex count " +
                                          std::to_string(vertices));
                        continue;
                    }
                    Sum& s = sums[e.chunk][w.vertex];
                    if (s.count++ == 0)
                        s.offset = at;
                    s.total += w.weight;
                    weighted = weighted || w.weight > 0;
                }
                weightedBones[e.chunk] += weighted ? 1u : 0u;
            }
        }
    }
    for (std::size_t c = 0; c < chunks; ++c) {
        const std::string label = "INFL chunk " + std::to_string(c);
        if (weightedBones[c] > im.info.bonesPerChunk)
            out.push_back(DumpIssue{true, label, im.influencesOffset,
                                    std::to_string(weightedBones[c]) +
                                        " bones weight the chunk, outside the palette of " +
                                        std::to_string(im.info.bonesPerChunk) +
                                        " bones per chunk in INFO"});
        IssueList list(out, true, label);
        for (const auto& [vertex, s] : sums[c]) {
            if (!(std::fabs(s.total - 1.0) <= kWeightTolerance)) {
                char text[64];
                std::snprintf(text, sizeof text, "%.6g", s.total);
                list.Add(s.offset,
                         "the weights of vertex " + std::to_string(vertex) + " sum to " + text);
            }
        }
    }
}

void CheckIndexedMesh(const DumpFile& file, std::vector<DumpIssue>& out) {
    const MeshModel& im = file.im;
    if (im.info.chunkCount != im.chunks.size())
        out.push_back(DumpIssue{true, "INFO", im.info.offset,
                                "chunk count " + std::to_string(im.info.chunkCount) +
                                    " but the file holds " + std::to_string(im.chunks.size()) +
                                    " CHNK chunks"});
    for (std::size_t i = 0; i < im.chunks.size(); ++i) {
        const MeshChunk& c = im.chunks[i];
        const std::string label = "CHNK " + std::to_string(i);
        if (c.index != i)
            out.push_back(DumpIssue{
                true, label, c.offset,
                "chunk index " + std::to_string(c.index) + " at position " + std::to_string(i)});
        CheckGeometry(c, label + " GEOM", out);
    }
    CheckInfluences(im, out);
    CheckTreeCounts(im.skeleton, out);
}

void CheckAnimation(const DumpFile& file, std::vector<DumpIssue>& out) {
    const KinModel& kin = file.kin;
    if (kin.frameCount < 0 || static_cast<std::size_t>(kin.frameCount) != kin.frames.size())
        out.push_back(DumpIssue{true, "INFO", kin.infoOffset,
                                "frame count " + std::to_string(kin.frameCount) +
                                    " but the file holds " + std::to_string(kin.frames.size()) +
                                    " FRAM chunks"});
    CheckTreeCounts(kin.bones, out);
    IssueList frames(out, true, "FRAM");
    for (std::size_t i = 0; i < kin.frames.size(); ++i) {
        const KinFrame& f = kin.frames[i];
        if (f.frame != static_cast<std::int32_t>(i))
            frames.Add(f.offset,
                       "FRAM " + std::to_string(i) + " holds frame " + std::to_string(f.frame));
        if (f.poses.size() != kin.bones.size())
            frames.Add(f.offset, "FRAM " + std::to_string(i) + " holds " +
                                     std::to_string(f.poses.size()) + " bones, the skeleton has " +
                                     std::to_string(kin.bones.size()));
    }
    IssueList events(out, true, "EVNT");
    for (const KinEvent& e : kin.events) {
        if (e.frame < 0 || e.frame >= kin.frameCount)
            events.Add(kin.eventsOffset, "event '" + e.name + "' at frame " +
                                             std::to_string(e.frame) + " outside the " +
                                             std::to_string(kin.frameCount) + " frames");
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Entry points

std::vector<DumpIssue> ValidateDump(const DumpFile& file) {
    std::vector<DumpIssue> out = file.issues;
    if (file.fatal) {
        out.push_back(*file.fatal);
        return out;  // what was read is incomplete: its counts prove nothing
    }
    if (file.kind == DumpKind::IndexedMesh)
        CheckIndexedMesh(file, out);
    else if (file.kind == DumpKind::Animation)
        CheckAnimation(file, out);
    return out;
}

std::string FormatIssue(const std::string& path, const DumpIssue& issue) {
    std::string line = issue.error ? "error: " : "warning: ";
    line += path + ": ";
    if (issue.wholeFile)
        return line + issue.message;
    if (!issue.chunk.empty())
        line += issue.chunk + " ";
    line += "at offset " + std::to_string(issue.offset) + ": " + issue.message;
    return line;
}

bool HasErrors(const std::vector<DumpIssue>& issues) {
    for (const DumpIssue& issue : issues) {
        if (issue.error)
            return true;
    }
    return false;
}
