// InterchangeReader: the file, the root checks, the mesh and the materials.
//
// The skeleton and animation blocks are read by SkeletonAnimationReader.cpp.
#include "MeshAnimConverter/scene/InterchangeReader.h"

#include <new>

#include "MeshAnimConverter/scene/InterchangeText.h"
#include "MeshAnimConverter/scene/InterchangeValues.h"
#include "MeshAnimConverter/scene/ProgressStream.h"
#include "toolkit/gtFile.h"
#include "toolkit/gtFileDevice.h"
#include "toolkit/tlLog.h"
#include "xml/gtXmlCompactDoc.h"

namespace {

// The vertex channel's stream number: the integer value of its `stream` attribute (0 when
// missing or empty), taken as unsigned so that negative numbers count as large.
uint32_t StreamOf(gtXmlElementRef channel) {
    return static_cast<uint32_t>(ParseLong(channel->GetAttribute("stream")));
}

void ReadVertex(gtXmlElementRef element, SceneVertex& vertex, gtLineSink* lexerErrors) {
    // First the first child of each channel, whatever its stream...
    gtXmlElementRef position = element->FindChildElement("position");
    gtXmlElementRef normal = element->FindChildElement("normal");
    gtXmlElementRef texcoord = element->FindChildElement("texcoord");
    bool positionReported = false;
    bool normalReported = false;
    bool texcoordReported = false;
    if (position != nullptr) {
        vertex.position = ReadVectorText(position, lexerErrors, &positionReported);
    }
    if (normal != nullptr) {
        vertex.normal = ReadVectorText(normal, lexerErrors, &normalReported);
    }
    if (texcoord != nullptr) {
        vertex.texcoord = ReadPairText(texcoord, lexerErrors, &texcoordReported);
    }
    // ...then every stream-0 channel again in document order (the last wins), and the weights.
    // Reading a first child again gives the same value, so it is skipped unless its first
    // reading reported errors, which the second reading reports again.
    for (gtXmlElementRef child = element->FirstChildElement(); child != nullptr;
         child = child->NextSiblingElement()) {
        const uint32_t stream = StreamOf(child);
        if (child->IsNamed("boneId")) {
            if (stream < 4) {
                vertex.boneId[stream] = ParseLong(child->GetText());
            }
        } else if (child->IsNamed("blend")) {
            if (stream < 4) {
                vertex.blend[stream] = ParseReal(child->GetText());
            }
        } else if (stream != 0) {
            continue;
        } else if (child->IsNamed("position")) {
            if (child != position || positionReported) {
                vertex.position = ReadVectorText(child, lexerErrors);
            }
        } else if (child->IsNamed("normal")) {
            if (child != normal || normalReported) {
                vertex.normal = ReadVectorText(child, lexerErrors);
            }
        } else if (child->IsNamed("texcoord")) {
            if (child != texcoord || texcoordReported) {
                vertex.texcoord = ReadPairText(child, lexerErrors);
            }
        }
    }
    // Weights sum to 1, or are all 0.
    float sum = 0.0f;
    for (float w : vertex.blend) {
        sum += w;
    }
    if (sum > 0.0f) {
        const float scale = 1.0f / sum;
        for (float& w : vertex.blend) {
            w *= scale;
        }
    } else {
        for (float& w : vertex.blend) {
            w = 0.0f;
        }
    }
}

bool ReadTriangle(gtXmlElementRef element, SceneData& scene, tlLog& log, gtLineSink* lexerErrors) {
    SceneTriangle& triangle = scene.triangles.AddNew();
    triangle.materialId = ReadIntegerValue(element, "materialId", 0);
    if (element->CountChildElements("vertex") > 3) {
        log.Warning("Expecting 3 vertices per triangle. Only the first 3 will be used.");
    }
    gtXmlElementRef vertex = element->FindChildElement("vertex");
    for (int corner = 0; corner < 3; ++corner) {
        if (vertex == nullptr) {
            log.Error("Expecting 3 vertices per triangle");
            return false;
        }
        ReadVertex(vertex, triangle.vertices[corner], lexerErrors);
        do {
            vertex = vertex->NextSiblingElement();
        } while (vertex != nullptr && !vertex->IsNamed("vertex"));
    }
    // Face normal for the corners that were given none.
    const gtVector3& p0 = triangle.vertices[0].position;
    const gtVector3& p1 = triangle.vertices[1].position;
    const gtVector3& p2 = triangle.vertices[2].position;
    const gtVector3 faceNormal = Normalise(Cross(p2 - p1, p0 - p1));
    for (SceneVertex& corner : triangle.vertices) {
        if (LengthSquared(corner.normal) == 0.0f) {
            corner.normal = faceNormal;
        }
    }
    return true;
}

}  // namespace

// ---------------------------------------------------------------- blocks

bool ReadMeshBlock(gtXmlElementRef root, SceneData& scene, tlLog& log, gtLineSink* lexerErrors) {
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
    for (gtXmlElementRef t = triangles->FirstChildElement(); t != nullptr;
         t = t->NextSiblingElement()) {
        if (t->IsNamed("triangle") && !ReadTriangle(t, scene, log, lexerErrors)) {
            return false;
        }
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
                         gtLineSink* lexerErrors) {
    gtFile file;
    if (!file.Open(path, gtFileDevice::kRead)) {
        log.Error("Failed to open file: '%s'", path);
        return false;
    }
    if (ui == nullptr) {
        return ReadInterchangeStream(file, path, fileVersion, scene, log, preparer, lexerErrors);
    }
    ui->ShowStatus("Reading input file");
    ProgressStream progress(file, *ui);
    return ReadInterchangeStream(progress, path, fileVersion, scene, log, preparer, lexerErrors);
}

namespace {

bool ReadDocument(gtStream& stream, const char* path, int32_t& fileVersion, SceneData& scene,
                  tlLog& log, SkeletonPreparer& preparer, gtLineSink* lexerErrors) {
    log.Info("Reading input file: '%s'", path);

    gtXmlCompactDoc document;
    if (!document.Load(stream)) {
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

    if (!ReadMeshBlock(root, scene, log, lexerErrors)) {
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
                           gtLineSink* lexerErrors) {
    // A small file can ask for bones x frames key frames; running out of memory is reported
    // like any other failure to read.
    try {
        return ReadDocument(stream, path, fileVersion, scene, log, preparer, lexerErrors);
    } catch (const std::bad_alloc&) {
        log.Error("Out of memory reading file: '%s'", path);
        return false;
    }
}
