// GenericMesh: the exporter-neutral mesh the scene is turned into before the indexed mesh is
// built, with its materials, texture maps, attachments and per-bone vertex weights.
//
// Geometry is unshared: one position, normal and texture coordinate per triangle corner, faces
// naming them by index. The mesh owns every array and the influences; the output skeleton is
// built beside it by the fill and handed to the writers as an argument. ExGenericMesh is the form
// the fill step creates; it adds nothing but its own destructor.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "toolkit/gtArray.h"
#include "toolkit/gtMath.h"
#include "toolkit/gtString.h"

class GenericSkeletonNodeBase;

namespace GenericLimits {
constexpr int kMaxCorners = 32;     // corner slots of a face
constexpr int kNameSize = 256;      // bone and attachment names: 255 characters and a zero
constexpr int kFileNameSize = 512;  // texture file names: 511 characters and a zero
}  // namespace GenericLimits

struct GenericTexCoord {
    float u = 0.0f;
    float v = 0.0f;
};

// One polygon; the fill makes only triangles (corner count 3).
struct GenericFace {
    int32_t materialIndex = 0;
    int32_t numCorners = 0;
    int32_t positionIndices[GenericLimits::kMaxCorners] = {};
    int32_t normalIndices[GenericLimits::kMaxCorners] = {};
    int32_t texCoordIndices[GenericLimits::kMaxCorners] = {};
};

// One texture layer of a material.
struct MaterialMap {
    int32_t slot = -1;   // slot number of the map slot table, -1 for an unknown type
    uint8_t tiling = 0;  // bit 0: tile in s, bit 1: tile in t
    char fileName[GenericLimits::kFileNameSize] = {};
    float amount = 1.0f;
};

struct GenericPropertyPair {
    gtString name;
    gtString value;
};

struct GenericMaterial {
    int32_t numMaps = 0;
    uint8_t twoSided = 0;
    int32_t materialNumber = 0;  // after the fill, the material's index
    uint8_t used = 0;            // some triangle refers to it (fill only)
    gtArray<MaterialMap> maps;
    float opacity = 1.0f;
    gtVector3 ambient{1.0f, 1.0f, 1.0f};
    gtVector3 diffuse{1.0f, 1.0f, 1.0f};
    gtVector3 specular{1.0f, 1.0f, 1.0f};
    gtVector3 emissive{0.0f, 0.0f, 0.0f};
    float shine = 0.25f;
    gtString name;
    int32_t numPropertyPairs = 0;
    gtArray<GenericPropertyPair> propertyPairs;  // never filled by the converter
    const void* boundNode = nullptr;             // skeleton node the geometry is bound to; null
};

struct GenericAttachment {
    gtMatrix3 rotation;  // row by row
    gtVector3 position;
    char name[GenericLimits::kNameSize] = {};
};

// One weight of one vertex: 20 bytes.
struct GenericVertexWeight {
    int32_t vertex = 0;
    float weight = 0.0f;
    gtVector3 position;  // the vertex in the bone's frame
};

// One bone's weights.
class GenericBoneInfluence {
public:
    virtual ~GenericBoneInfluence() = default;

    char boneName[GenericLimits::kNameSize] = {};
    char parentName[GenericLimits::kNameSize] = {};
    gtVector3 bindPosition;
    gtMatrix3 bindMatrix;  // row by row
    std::vector<GenericVertexWeight> weights;
};

// An ordered list of owned bone influences; iteration follows the order of appending.
class GenericMeshInfluence {
public:
    GenericMeshInfluence() = default;
    GenericMeshInfluence(const GenericMeshInfluence&) = delete;
    GenericMeshInfluence& operator=(const GenericMeshInfluence&) = delete;
    GenericMeshInfluence(GenericMeshInfluence&&) = default;
    GenericMeshInfluence& operator=(GenericMeshInfluence&&) = default;
    virtual ~GenericMeshInfluence() = default;

    // Appends a new, empty influence and returns it.
    GenericBoneInfluence& Add();
    int Count() const { return static_cast<int>(m_items.size()); }
    GenericBoneInfluence& operator[](int i) { return *m_items[static_cast<size_t>(i)]; }
    const GenericBoneInfluence& operator[](int i) const { return *m_items[static_cast<size_t>(i)]; }

private:
    std::vector<std::unique_ptr<GenericBoneInfluence>> m_items;
};

// The influences of the whole generic mesh.
class ExGenericMeshInfluence : public GenericMeshInfluence {
public:
    ~ExGenericMeshInfluence() override = default;
};

class GenericMesh {
public:
    GenericMesh() = default;
    GenericMesh(const GenericMesh&) = delete;
    GenericMesh& operator=(const GenericMesh&) = delete;
    virtual ~GenericMesh();

    int32_t numPositions = 0;
    int32_t numNormals = 0;
    int32_t numTexCoords = 0;
    int32_t numFaces = 0;
    int32_t numMaterials = 0;
    gtArray<gtVector3> positions;
    gtArray<gtVector3> normals;
    gtArray<GenericTexCoord> texCoords;
    gtArray<GenericFace> faces;
    gtArray<GenericMaterial> materials;
    std::unique_ptr<ExGenericMeshInfluence> influences;  // null without bones
    gtArray<GenericAttachment> attachments;
    int32_t numAttachments = 0;
};

class ExGenericMesh : public GenericMesh {
public:
    ~ExGenericMesh() override;
};
