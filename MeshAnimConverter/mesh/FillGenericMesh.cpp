// The fill from scene to generic mesh.
#include "MeshAnimConverter/mesh/FillGenericMesh.h"

#include <cstring>
#include <unordered_map>

#include "MeshAnimConverter/anim/ConverterExGenericSkeleton.h"
#include "MeshAnimConverter/mesh/GenericMesh.h"
#include "MeshAnimConverter/mesh/MapSlotTable.h"
#include "MeshAnimConverter/scene/SceneData.h"
#include "toolkit/tlLog.h"

namespace {

// Copies at most size - 1 characters and a terminating zero.
void CopyName(char* destination, size_t size, const char* source) {
    const size_t length = std::strlen(source);
    const size_t kept = length < size - 1 ? length : size - 1;
    std::memcpy(destination, source, kept);
    destination[kept] = 0;
}

// Rows (1 - 2(y² + z²), 2(xy + zw), 2(xz - yw)), (2(xy - zw), 1 - 2(x² + z²), 2(yz + xw)),
// (2(xz + yw), 2(yz - xw), 1 - 2(x² + y²)): the transpose of the skeleton's rotation matrix.
gtMatrix3 AttachmentMatrix(const gtQuat& q) {
    const float x = q.x, y = q.y, z = q.z, w = q.w;
    gtMatrix3 m;
    m.m[0][0] = 1.0f - 2.0f * (y * y + z * z);
    m.m[0][1] = 2.0f * (x * y + z * w);
    m.m[0][2] = 2.0f * (x * z - y * w);
    m.m[1][0] = 2.0f * (x * y - z * w);
    m.m[1][1] = 1.0f - 2.0f * (x * x + z * z);
    m.m[1][2] = 2.0f * (y * z + x * w);
    m.m[2][0] = 2.0f * (x * z + y * w);
    m.m[2][1] = 2.0f * (y * z - x * w);
    m.m[2][2] = 1.0f - 2.0f * (x * x + y * y);
    return m;
}

gtVector3 Times(const gtMatrix3& m, const gtVector3& v) {
    return {m.m[0][0] * v.x + m.m[0][1] * v.y + m.m[0][2] * v.z,
            m.m[1][0] * v.x + m.m[1][1] * v.y + m.m[1][2] * v.z,
            m.m[2][0] * v.x + m.m[2][1] * v.y + m.m[2][2] * v.z};
}

void FillGeometry(const SceneData& scene, GenericMesh& mesh) {
    const int triangles = scene.triangles.Count();
    mesh.positions.SetCount(3 * triangles);
    mesh.normals.SetCount(3 * triangles);
    mesh.texCoords.SetCount(3 * triangles);
    mesh.faces.SetCount(triangles);
    for (int j = 0; j < triangles; ++j) {
        const SceneTriangle& triangle = scene.triangles[j];
        GenericFace& face = mesh.faces[j];
        face.materialIndex = triangle.materialId;
        face.numCorners = 3;
        for (int c = 0; c < 3; ++c) {
            const int k = 3 * j + c;
            const SceneVertex& corner = triangle.vertices[c];
            mesh.positions[k] = corner.position;
            mesh.normals[k] = corner.normal;
            mesh.texCoords[k] = {corner.texcoord.u, corner.texcoord.v};
            face.positionIndices[c] = k;
            face.normalIndices[c] = k;
            face.texCoordIndices[c] = k;
        }
    }
}

void FillMaterials(const SceneData& scene, GenericMesh& mesh) {
    mesh.materials.SetCount(mesh.numMaterials);
    for (int i = 0; i < mesh.numMaterials; ++i) {
        const SceneMaterial& source = scene.materials[i];
        GenericMaterial& material = mesh.materials[i];
        material.name = source.name;
        material.materialNumber = source.id;
        material.twoSided = source.twoSided != 0 ? 1 : 0;
        material.opacity = source.opacity;
        material.shine = source.shine * 100.0f;
        material.ambient = source.ambient;
        material.diffuse = source.diffuse;
        material.specular = source.specular;
        material.emissive = source.emissive;
        material.numPropertyPairs = 0;
        for (const SceneTexture& texture : source.textures) {
            MaterialMap& map = material.maps.AddNew();
            map.slot = FindMapSlot(texture.typeName.c_str());
            map.tiling =
                static_cast<uint8_t>((texture.tileU != 0 ? 1 : 0) | (texture.tileV != 0 ? 2 : 0));
            CopyName(map.fileName, sizeof map.fileName, texture.textureName.c_str());
            map.amount = texture.layerOpacity;
        }
        material.numMaps = material.maps.Count();
    }
    for (const SceneTriangle& triangle : scene.triangles) {
        for (GenericMaterial& material : mesh.materials) {
            if (triangle.materialId == material.materialNumber) {
                material.used = 1;
            }
        }
    }
}

// Removes unused materials (the later ones move down) and renumbers the faces; a face whose
// material was removed, or that names none, gets 0.
void CompactMaterials(GenericMesh& mesh) {
    const int count = mesh.materials.Count();
    std::vector<int32_t> newIndex(static_cast<size_t>(count), 0);
    for (int i = 0; i < count; ++i) {
        mesh.materials[i].materialNumber = i;
    }
    for (int i = count - 1; i >= 0; --i) {
        if (mesh.materials[i].used == 0) {
            mesh.materials.RemoveAt(i);
        }
    }
    for (int i = 0; i < mesh.materials.Count(); ++i) {
        newIndex[static_cast<size_t>(mesh.materials[i].materialNumber)] = i;
    }
    std::vector<uint8_t> kept(static_cast<size_t>(count), 0);
    for (const GenericMaterial& material : mesh.materials) {
        kept[static_cast<size_t>(material.materialNumber)] = 1;
    }
    for (GenericFace& face : mesh.faces) {
        const int32_t old = face.materialIndex;
        const bool valid = old >= 0 && old < count && kept[static_cast<size_t>(old)] != 0;
        face.materialIndex = valid ? newIndex[static_cast<size_t>(old)] : 0;
    }
    mesh.numMaterials = mesh.materials.Count();
}

void FillAttachments(const SceneData& scene, GenericMesh& mesh) {
    for (const SceneAttachment& source : scene.attachments) {
        GenericAttachment& attachment = mesh.attachments.AddNew();
        CopyName(attachment.name, sizeof attachment.name, source.name.c_str());
        attachment.position = source.position;
        attachment.rotation = AttachmentMatrix(source.orientation);
    }
    mesh.numAttachments = mesh.attachments.Count();
}

void FillInfluences(const SceneData& scene, const ExGenericSkeleton& skeleton, GenericMesh& mesh) {
    auto influences = std::make_unique<ExGenericMeshInfluence>();
    for (int n = 0; n < skeleton.NodeCount(); ++n) {
        GenericBoneInfluence& record = influences->Add();
        const int bone = scene.FindBone(skeleton.NodeAt(n)->name);
        if (bone < 0) {
            continue;
        }
        const SceneBone& source = scene.bones[bone];
        CopyName(record.boneName, sizeof record.boneName, source.name.c_str());
        CopyName(record.parentName, sizeof record.parentName, source.parentName.c_str());
        record.bindPosition = source.localPosition;
        record.bindMatrix = AttachmentMatrix(source.localOrientation);
    }

    // bone id -> bone index; a later bone with the same id wins
    std::unordered_map<int32_t, int> boneById;
    for (int b = 0; b < scene.bones.Count(); ++b) {
        boneById[scene.bones[b].id] = b;
    }
    std::vector<gtMatrix3> frames(static_cast<size_t>(scene.bones.Count()));
    for (int b = 0; b < scene.bones.Count(); ++b) {
        frames[static_cast<size_t>(b)] = AttachmentMatrix(scene.bones[b].orientation);
    }
    for (int j = 0; j < scene.triangles.Count(); ++j) {
        for (int c = 0; c < 3; ++c) {
            const SceneVertex& corner = scene.triangles[j].vertices[c];
            for (int s = 0; s < 4; ++s) {
                if (!(corner.blend[s] > 0.0f)) {
                    continue;
                }
                const auto found = boneById.find(corner.boneId[s]);
                if (found == boneById.end() || found->second >= influences->Count()) {
                    continue;
                }
                const SceneBone& bone = scene.bones[found->second];
                GenericVertexWeight& weight = (*influences)[found->second].weights.emplace_back();
                weight.vertex = 3 * j + c;
                weight.weight = corner.blend[s];
                weight.position = Times(frames[static_cast<size_t>(found->second)],
                                        corner.position - bone.position);
            }
        }
    }
    mesh.influences = std::move(influences);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Entry points

bool FillGenericMesh(SceneData& scene, std::unique_ptr<GenericMesh>& result,
                     std::unique_ptr<ConverterExGenericSkeleton>& skeleton, tlLog& log) {
    result = std::make_unique<ExGenericMesh>();
    skeleton.reset();
    GenericMesh& mesh = *result;

    const int triangles = scene.triangles.Count();
    mesh.numPositions = 3 * triangles;
    mesh.numNormals = 3 * triangles;
    mesh.numTexCoords = 3 * triangles;
    mesh.numFaces = triangles;
    if (triangles == 0) {
        return false;
    }
    mesh.numMaterials = scene.materials.Count();
    if (mesh.numMaterials < 1) {
        return false;
    }

    FillGeometry(scene, mesh);
    log.Info("Filled Mesh Geometry");
    FillMaterials(scene, mesh);
    log.Info("Filled Materials");
    CompactMaterials(mesh);
    FillAttachments(scene, mesh);
    log.Info("Filled Attachments");

    if (scene.bones.Count() > 0) {
        auto built = std::make_unique<ConverterExGenericSkeleton>(scene, log);
        FillInfluences(scene, *built, mesh);
        skeleton = std::move(built);
    }
    log.Info("Filled Skeleton");
    return true;
}
