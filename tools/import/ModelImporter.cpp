// ModelImporter: assimp's importer with triangulation and generated normals, then the
// extraction steps in order: skeleton, geometry (which pulls in the materials it uses),
// attachments, animations.
#include "tools/import/ModelImporter.h"

#include <assimp/config.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <assimp/Importer.hpp>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

#include "tools/import/AnimationSampler.h"
#include "tools/import/BindPoseCheck.h"
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

// Characters that Windows refuses in file names become '_'; true when any did.
bool ReplaceRefusedCharacters(std::string& name) {
    bool replaced = false;
    for (char& c : name) {
        if (std::strchr("\\/:*?\"<>|", c) != nullptr || static_cast<unsigned char>(c) < 32) {
            c = '_';
            replaced = true;
        }
    }
    return replaced;
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
    int renamed = 0;
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
        // the names become .kin file names
        renamed += ReplaceRefusedCharacters(name) ? 1 : 0;
        out.name = UniqueName("", name, taken);
        if (!SampleAnimation(animation, table, skeleton, options.fps, out)) {
            model.warnings.push_back("animation '" + out.name + "' cut to " +
                                     std::to_string(kMaxFrames) + " frames");
        }
    }
    if (renamed > 0) {
        model.warnings.push_back(std::to_string(renamed) +
                                 " animation name(s) had characters not allowed in file names "
                                 "(\\ / : * ? \" < > |); they became '_'");
    }
}

// Keeps the offset matrices' bind pose when posing the mesh at rest would change its animated
// poses by more than 0.1 % of its size (bones whose bind and rest poses differ per bone).
void KeepBindPoseIfPosesMove(const aiScene& scene, const NodeTable& table, const Skeleton& skeleton,
                             const ImportOptions& options, const std::string& imageStem,
                             ImportedModel& model) {
    if (model.animations.empty()) {
        return;
    }
    Skeleton bindSkeleton = skeleton;
    UseOffsetBind(bindSkeleton);
    ImportedModel atBind;
    MaterialExtractor scratch(scene, imageStem, options.tbump);
    ExtractGeometry(scene, table, bindSkeleton, options.maxWeights, false, scratch, atBind);
    const float change =
        AnimatedPoseChange(model, model.bones, atBind, bindSkeleton.bones, model.animations);
    const float size = ModelSize(atBind);
    if (!(change > 1e-3f * size)) {
        return;
    }
    model.triangles = std::move(atBind.triangles);
    model.bones = bindSkeleton.bones;
    char text[256];
    std::snprintf(text, sizeof text,
                  "bind pose kept: its bones' bind and rest poses differ per bone, and posing the "
                  "mesh at rest would move animated vertices by up to %.3g (%.2g %% of the "
                  "model's size)",
                  change, 100.0 * change / size);
    model.warnings.push_back(text);
}

// What both entry points share: assimp's options, then the extraction steps on its scene.
void ConfigureImporter(Assimp::Importer& importer) {
    // FBX pivots as extra helper nodes would become bones of their own
    importer.SetPropertyBool(AI_CONFIG_IMPORT_FBX_PRESERVE_PIVOTS, false);
    // a motion clip keeps its skeleton without a made-up mesh
    importer.SetPropertyBool(AI_CONFIG_IMPORT_NO_SKELETON_MESHES, true);
}

bool FillModel(const Assimp::Importer& importer, const aiScene* scene, const ImportOptions& options,
               const std::string& imageStem, ImportedModel& model, std::string& error) {
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
    Skeleton skeleton = BuildSkeleton(*scene, table, model.warnings);
    const bool atRest = skeleton.hasOffsets && !options.bindPose;
    if (!atRest) {
        UseOffsetBind(skeleton);
    }
    model.bones = skeleton.bones;
    MaterialExtractor materials(*scene, imageStem, options.tbump);
    ExtractGeometry(*scene, table, skeleton, options.maxWeights, atRest, materials, model);
    model.images = std::move(materials.Images());
    ExtractAttachments(table, options.attachmentPrefix, model);
    ExtractAnimations(*scene, table, skeleton, options, stem, model);
    if (atRest) {
        KeepBindPoseIfPosesMove(*scene, table, skeleton, options, imageStem, model);
    }
    return true;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Entry points

unsigned ImportPostProcessFlags() {
    // texture coordinates top-down (v = 0 at the image's top row), whatever the format's own
    return aiProcess_Triangulate | aiProcess_GenSmoothNormals | aiProcess_FlipUVs;
}

bool ImportModel(const ImportOptions& options, const std::string& imageStem, ImportedModel& model,
                 std::string& error) {
    Assimp::Importer importer;
    ConfigureImporter(importer);
    const aiScene* scene = importer.ReadFile(options.modelPath, ImportPostProcessFlags());
    return FillModel(importer, scene, options, imageStem, model, error);
}

bool ImportModelBytes(const void* data, std::size_t size, const std::string& formatHint,
                      const ImportOptions& options, const std::string& imageStem,
                      ImportedModel& model, std::string& error) {
    Assimp::Importer importer;
    ConfigureImporter(importer);
    const aiScene* scene =
        importer.ReadFileFromMemory(data, size, ImportPostProcessFlags(), formatHint.c_str());
    return FillModel(importer, scene, options, imageStem, model, error);
}
