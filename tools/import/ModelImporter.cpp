// ModelImporter: assimp's importer with triangulation and generated normals, then the
// extraction steps in order: skeleton, geometry (which pulls in the materials it uses),
// attachments, animations.
#include "tools/import/ModelImporter.h"

#include <assimp/config.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <assimp/Importer.hpp>
#include <filesystem>
#include <vector>

#include "tools/import/AnimationSampler.h"
#include "tools/import/GeometryExtraction.h"
#include "tools/import/MaterialExtraction.h"
#include "tools/import/NodeTable.h"
#include "tools/import/SkeletonBuilder.h"

namespace {

std::string FileStem(const std::string& path) {
    return std::filesystem::path(path).stem().string();
}

void ExtractAttachments(const NodeTable& table, const std::string& prefix, ImportedModel& model) {
    if (prefix.empty()) {
        return;
    }
    for (int i = 0; i < table.Count(); ++i) {
        const std::string name = table.Node(i)->mName.C_Str();
        if (name.rfind(prefix, 0) == 0) {
            ImportAttachment& a = model.attachments.emplace_back();
            a.name = name;
            a.transform = DecomposeTransform(table.RestGlobal(i), nullptr);
        }
    }
}

void ExtractAnimations(const aiScene& scene, const NodeTable& table, const Skeleton& skeleton,
                       const ImportOptions& options, const std::string& stem,
                       ImportedModel& model) {
    if (scene.mNumAnimations == 0) {
        return;
    }
    if (skeleton.bones.empty()) {
        model.warnings.push_back(std::to_string(scene.mNumAnimations) +
                                 " animation(s) dropped: they move no node of the model");
        return;
    }
    std::vector<std::string> taken;
    for (unsigned a = 0; a < scene.mNumAnimations; ++a) {
        if (scene.mAnimations[a] == nullptr) {
            continue;
        }
        const aiAnimation& animation = *scene.mAnimations[a];
        ImportAnimation& out = model.animations.emplace_back();
        std::string name = animation.mName.C_Str();
        if (name.empty()) {
            name = stem + "_" + std::to_string(a + 1);
        }
        out.name = UniqueName("", name, taken);
        if (!SampleAnimation(animation, table, skeleton, options.fps, out)) {
            model.warnings.push_back("animation '" + out.name + "' cut to " +
                                     std::to_string(kMaxFrames) + " frames");
        }
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Entry points

unsigned ImportPostProcessFlags() {
    return aiProcess_Triangulate | aiProcess_GenSmoothNormals;
}

bool ImportModel(const ImportOptions& options, const std::string& imageStem, ImportedModel& model,
                 std::string& error) {
    Assimp::Importer importer;
    // FBX pivots as extra helper nodes would become bones of their own
    importer.SetPropertyBool(AI_CONFIG_IMPORT_FBX_PRESERVE_PIVOTS, false);
    // a motion clip keeps its skeleton without a made-up mesh
    importer.SetPropertyBool(AI_CONFIG_IMPORT_NO_SKELETON_MESHES, true);
    const aiScene* scene = importer.ReadFile(options.modelPath, ImportPostProcessFlags());
    if (scene == nullptr) {
        error = importer.GetErrorString();
        if (error.empty()) {
            error = "the model could not be read";
        }
        return false;
    }
    if (scene->mRootNode == nullptr) {
        error = "the model has no node tree";
        return false;
    }
    const std::string stem = FileStem(options.modelPath);
    model.meshName = stem;
    const NodeTable table(scene->mRootNode);
    const Skeleton skeleton = BuildSkeleton(*scene, table, model.warnings);
    model.bones = skeleton.bones;
    MaterialExtractor materials(*scene, imageStem, options.tbump);
    ExtractGeometry(*scene, table, skeleton, options.maxWeights, materials, model);
    model.images = std::move(materials.Images());
    ExtractAttachments(table, options.attachmentPrefix, model);
    ExtractAnimations(*scene, table, skeleton, options, stem, model);
    if (model.triangles.empty()) {
        model.warnings.push_back("the model has no triangles");
    }
    return true;
}
