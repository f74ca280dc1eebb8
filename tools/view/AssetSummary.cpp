#include "tools/view/AssetSummary.h"

#include <algorithm>
#include <set>
#include <system_error>

#include "tools/dump/DumpReader.h"
#include "tools/dump/DumpValidator.h"

namespace fs = std::filesystem;

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) {
        return static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
    });
    return text;
}

std::set<std::string> MeshBoneNames(const MeshModel& im) {
    std::set<std::string> names;
    for (const MeshBone& bone : im.bones) names.insert(Lower(bone.name));
    for (const TreeBone& bone : im.skeleton) names.insert(Lower(bone.name));
    return names;
}

void CountGeometry(const MeshModel& im, AssetSummary& summary) {
    summary.chunks = static_cast<std::uint32_t>(im.chunks.size());
    for (const MeshChunk& chunk : im.chunks) {
        summary.triangles += static_cast<std::uint32_t>(chunk.geometry.triangles.size());
        summary.vertices += static_cast<std::uint32_t>(chunk.geometry.vertices.size());
    }
    summary.bones = static_cast<std::uint32_t>(std::max(im.bones.size(), im.skeleton.size()));
}

// The .kin files of the mesh's folder whose bones all belong to the mesh, by file name.
void FindAnimations(const DumpFile& mesh, AssetSummary& summary) {
    std::vector<fs::path> candidates;
    std::error_code ec;
    for (fs::directory_iterator it(summary.meshPath.parent_path(), ec), end; !ec && it != end;
         it.increment(ec)) {
        if (it->path().extension() == ".kin" && it->is_regular_file(ec))
            candidates.push_back(it->path());
    }
    std::sort(candidates.begin(), candidates.end());
    for (const fs::path& path : candidates) {
        const DumpFile animation = ReadDumpFile(path.string());
        if (!animation.fatal && animation.kind == DumpKind::Animation &&
            AnimationFitsMesh(animation, mesh)) {
            summary.kins.push_back(path.filename().string());
            summary.kinPaths.push_back(path);
        }
    }
}

}  // namespace

// -------------------------------------------------------------------------------------------
// Entry points

bool AnimationFitsMesh(const DumpFile& animation, const DumpFile& mesh) {
    if (animation.kin.bones.empty())
        return false;
    const std::set<std::string> names = MeshBoneNames(mesh.im);
    return std::all_of(animation.kin.bones.begin(), animation.kin.bones.end(),
                       [&](const TreeBone& bone) { return names.count(Lower(bone.name)) != 0; });
}

void SummarizeMesh(AssetSummary& summary) {
    const DumpFile mesh = ReadDumpFile(summary.meshPath.string());
    const std::string shown = summary.title;
    for (const DumpIssue& issue : ValidateDump(mesh)) {
        summary.issues.push_back(FormatIssue(shown, issue));
        ++(issue.error ? summary.errors : summary.warnings);
    }
    if (mesh.fatal) {
        summary.error = FormatIssue(shown, *mesh.fatal);
        return;
    }
    if (mesh.kind != DumpKind::IndexedMesh) {
        summary.error = "error: " + shown + ": not an indexed mesh (form '" + mesh.form + "')";
        return;
    }
    CountGeometry(mesh.im, summary);
    if (summary.errors > 0) {
        summary.error =
            *std::find_if(summary.issues.begin(), summary.issues.end(),
                          [](const std::string& line) { return line.rfind("error", 0) == 0; });
        return;
    }
    FindAnimations(mesh, summary);
}
