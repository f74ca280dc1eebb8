// InterchangeReader: the file, the root checks, the mesh and the materials.
//
// The triangles are read by TriangleReader.cpp, the skeleton and animation blocks by
// SkeletonAnimationReader.cpp.
#include "MeshAnimConverter/scene/InterchangeReader.h"

#include <memory>
#include <new>

#include "MeshAnimConverter/scene/InterchangeText.h"
#include "MeshAnimConverter/scene/InterchangeValues.h"
#include "MeshAnimConverter/scene/ProgressStream.h"
#include "MeshAnimConverter/scene/TriangleFollower.h"
#include "MeshAnimConverter/scene/TriangleReader.h"
#include "toolkit/gtFile.h"
#include "toolkit/gtFileDevice.h"
#include "toolkit/tlLog.h"
#include "xml/gtXmlCompactDoc.h"

// ---------------------------------------------------------------- blocks

bool ReadMeshBlock(gtXmlElementRef root, SceneData& scene, tlLog& log, gtLineSink* lexerErrors,
                   unsigned threads, TriangleFollower* follower) {
    gtXmlElementRef mesh = root->FindChildElement("mesh");
    if (mesh == nullptr) {
        log.Error("invalid XML node (Mesh)");
        return false;
    }
    scene.meshName = ReadTextValue(mesh, "name", "unnamed");
    gtXmlElementRef triangles = mesh->FindChildElement("triangles");
    if (triangles == nullptr) {
        log.Error("Expecting triangle node");
        return false;
    }
    scene.triangles.Reserve(scene.triangles.Count() + triangles->CountChildElements("triangle"));
    if (!ReadTriangleElements(triangles, scene, log, lexerErrors, threads, follower)) {
        return false;
    }

    if (mesh->CountChildElements("attachments") > 1) {
        log.Warning("Multiple <attachments> blocks found, only the first will be used.");
    }
    gtXmlElementRef attachments = mesh->FindChildElement("attachments");
    if (attachments != nullptr) {
        for (gtXmlElementRef a = attachments->FirstChildElement(); a != nullptr;
             a = a->NextSiblingElement()) {
            if (!a->IsNamed("attachment")) {
                continue;
            }
            SceneAttachment& attachment = scene.attachments.AddNew();
            attachment.name = ReadTextValue(a, "name", "a.unnamed");
            attachment.position = ReadVectorValue(a, "position", gtVector3{}, lexerErrors);
            attachment.orientation =
                ReadOrientationValue(a, "orientation", attachment.orientation, lexerErrors);
        }
    }
    return true;
}

bool ReadMaterialsBlock(gtXmlElementRef root, SceneData& scene, tlLog& log,
                        gtLineSink* lexerErrors) {
    gtXmlElementRef materials = root->FindChildElement("materials");
    if (materials == nullptr) {
        log.Error("Invalid XML node (Materials)");
        return false;
    }
    for (gtXmlElementRef m = materials->FirstChildElement(); m != nullptr;
         m = m->NextSiblingElement()) {
        if (!m->IsNamed("material")) {
            continue;
        }
        SceneMaterial& material = scene.materials.AddNew();
        material.name = ReadTextValue(m, "name", "unnamed");
        material.id = ReadIntegerValue(m, "id", 0);
        material.ambient = ReadVectorValue(m, "ambient", gtVector3{}, lexerErrors);
        material.diffuse = ReadVectorValue(m, "diffuse", gtVector3{}, lexerErrors);
        material.emissive = ReadVectorValue(m, "emissive", gtVector3{}, lexerErrors);
        material.specular = ReadVectorValue(m, "specular", gtVector3{}, lexerErrors);
        material.shine = ReadRealValue(m, "shine", 0.0f);
        material.twoSided = ReadFlagValue(m, "twoSided", 0);
        material.opacity = ReadRealValue(m, "opacity", 1.0f);
        gtXmlElementRef textures = m->FindChildElement("textures");
        if (textures == nullptr) {
            continue;
        }
        // Every child element is a layer, whatever its name.
        for (gtXmlElementRef t = textures->FirstChildElement(); t != nullptr;
             t = t->NextSiblingElement()) {
            SceneTexture& texture = material.textures.AddNew();
            texture.textureName = ReadTextValue(t, "textureName", "unnamed");
            texture.typeName = ReadTextValue(t, "typeName", "unnamed");
            texture.typeName.ToLower();
            texture.tileU = ReadFlagValue(t, "tileU", 1);
            texture.tileV = ReadFlagValue(t, "tileV", 1);
            texture.layerOpacity = ReadRealValue(t, "layerOpacity", 1.0f);
        }
    }
    return true;
}

void ResolveMaterialIds(SceneData& scene) {
    scene.materialIndexById.clear();
    for (int i = 0; i < scene.materials.Count(); ++i) {
        scene.materialIndexById[scene.materials[i].id] = i;  // a later equal id replaces
        scene.materials[i].id = i;
    }
    for (SceneTriangle& triangle : scene.triangles) {
        const auto it = scene.materialIndexById.find(triangle.materialId);
        triangle.materialId = it != scene.materialIndexById.end() ? it->second : 0;
    }
}

// ---------------------------------------------------------------- the file

bool ReadInterchangeFile(const char* path, int32_t& fileVersion, SceneData& scene, tlLog& log,
                         SkeletonPreparer& preparer, ExportUserInterface* ui,
                         gtLineSink* lexerErrors, unsigned threads) {
    gtFile file;
    if (!file.Open(path, gtFileDevice::kRead)) {
        log.Error("Failed to open file: '%s'", path);
        return false;
    }
    if (ui == nullptr) {
        return ReadInterchangeStream(file, path, fileVersion, scene, log, preparer, lexerErrors,
                                     threads);
    }
    ui->ShowStatus("Reading input file");
    ProgressStream progress(file, *ui);
    return ReadInterchangeStream(progress, path, fileVersion, scene, log, preparer, lexerErrors,
                                 threads);
}

namespace {

bool ReadDocument(gtStream& stream, const char* path, int32_t& fileVersion, SceneData& scene,
                  tlLog& log, SkeletonPreparer& preparer, gtLineSink* lexerErrors,
                  unsigned threads) {
    log.Info("Reading input file: '%s'", path);

    // With two threads or more, the triangles are read while the document loads (on a thread of
    // their own, quietly); the follower, declared after the document, stops before it goes.
    gtXmlCompactDoc document;
    std::unique_ptr<TriangleFollower> follower;
    if (threads >= 2) {
        follower = std::make_unique<TriangleFollower>();
    }
    if (!document.Load(stream, follower.get())) {
        log.Error("Failed to read file: '%s'", path);
        log.Error("XML parser error: %s", document.GetErrorText());
        return false;
    }

    gtXmlElementRef root = document.GetRoot()->FirstChildElement();
    if (root == nullptr || !root->IsNamed("vantokImport")) {
        log.Error("Invalid XML file file: '%s'", path);
        return false;
    }
    fileVersion = ReadIntegerValue(root, "version", fileVersion);
    if (fileVersion != 1) {
        log.Error("Incompatible file version (%d)", fileVersion);
        return false;
    }

    if (root->CountChildElements("mesh") > 1) {
        log.Warning("Multiple <mesh> blocks found, only the first will be used.");
    }
    if (root->CountChildElements("materials") > 1) {
        log.Warning("Multiple <materials> blocks found, only the first will be used.");
    }
    if (root->CountChildElements("skeleton") > 1) {
        log.Warning("Multiple <skeleton> blocks found, only the first will be used.");
    }

    if (!ReadMeshBlock(root, scene, log, lexerErrors, threads, follower.get())) {
        return false;
    }
    log.Info("Read Mesh");
    if (!ReadMaterialsBlock(root, scene, log, lexerErrors)) {
        return false;
    }
    log.Info("Read Materials");
    ResolveMaterialIds(scene);

    if (gtXmlElementRef skeleton = root->FindChildElement("skeleton")) {
        ReadSkeletonBlock(skeleton, scene, log, preparer, lexerErrors);
        log.Info("Read Skeleton");
    }
    if (gtXmlElementRef animations = root->FindChildElement("animations")) {
        int number = 0;
        for (gtXmlElementRef a = animations->FirstChildElement(); a != nullptr;
             a = a->NextSiblingElement()) {
            if (!a->IsNamed("animation")) {
                continue;
            }
            if (!ReadAnimationBlock(a, scene, log, preparer, lexerErrors)) {
                return false;
            }
            log.Info("Read Animation (%d)", ++number);
        }
    }
    return true;
}

}  // namespace

bool ReadInterchangeStream(gtStream& stream, const char* path, int32_t& fileVersion,
                           SceneData& scene, tlLog& log, SkeletonPreparer& preparer,
                           gtLineSink* lexerErrors, unsigned threads) {
    // A small file can ask for bones x frames key frames; running out of memory is reported
    // like any other failure to read.
    try {
        return ReadDocument(stream, path, fileVersion, scene, log, preparer, lexerErrors, threads);
    } catch (const std::bad_alloc&) {
        log.Error("Out of memory reading file: '%s'", path);
        return false;
    }
}
