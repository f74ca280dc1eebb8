// SceneData: the in-memory form of one interchange file.
//
// Plain records without virtual operations: the mesh (name, triangles with three full corners
// each), attachment points, materials with texture layers, the bones of the skeleton and the
// animation blocks with their tracks, key frames and events. The interchange reader fills it by
// appending default-initialised elements (AddNew) to its lists; the skeleton preparation
// completes the derived bone and key-frame fields. Every list owns its elements and grows by the
// step given in its record's constructor.
#pragma once

#include <cstdint>
#include <map>

#include "toolkit/gtArray.h"
#include "toolkit/gtMath.h"
#include "toolkit/gtString.h"

struct SceneTexCoord {
    float u = 0.0f;
    float v = 0.0f;
};

// One triangle corner; zero-initialised.
struct SceneVertex {
    gtVector3 position;
    gtVector3 normal;  // a zero normal in the file is replaced by the face normal
    SceneTexCoord texcoord;
    int32_t boneId[4] = {0, 0, 0, 0};
    float blend[4] = {0.0f, 0.0f, 0.0f, 0.0f};  // sums to 1, or all 0
};

struct SceneTriangle {
    SceneVertex vertices[3];
    // As read; replaced by the material's index in SceneData::materials once materials are read.
    int32_t materialId = 0;
};

struct SceneAttachment {
    gtString name;
    gtVector3 position;
    gtQuat orientation;
};

struct SceneTexture {
    gtString textureName = "unnamed";
    gtString typeName = "unnamed";  // stored in lower case
    int32_t tileU = 1;
    int32_t tileV = 1;
    float layerOpacity = 1.0f;
};

struct SceneMaterial {
    gtString name;
    int32_t id = 0;  // as read; replaced by the material's own index once materials are read
    gtVector3 ambient;
    gtVector3 diffuse;
    gtVector3 specular;
    gtVector3 emissive;
    float shine = 0.0f;
    float opacity = 1.0f;
    int32_t twoSided = 0;
    gtArray<SceneTexture> textures{8};
};

struct SceneBone {
    int32_t id = -1;
    gtString name;            // begins with "b." after reading unless empty
    gtString parentName;      // empty for the root
    gtVector3 position;       // model-space bind position
    gtQuat orientation;       // model-space bind orientation
    gtVector3 localPosition;  // relative to the parent (a copy of position for the root)
    gtQuat localOrientation;
    gtArray<int32_t> children{4};  // child bone indices, in bone order
    int32_t parentIndex = -1;      // -1 for the root and for a bone whose parent is missing
};

// Both transforms of one bone at one frame; the reader fills one, the preparation the other.
struct SceneKeyFrame {
    gtVector3 globalPosition;
    gtQuat globalRotation;
    gtVector3 localPosition;
    gtQuat localRotation;
};

struct SceneTrack {
    gtString targetName;
    gtArray<SceneKeyFrame> keyFrames{100};  // frame i at index i
};

struct SceneEvent {
    int32_t frameIndex = 0;
    gtString typeName;
    gtString eventName;
};

struct SceneAnimation {
    gtString name;
    int32_t frameRate = 0;
    gtArray<SceneTrack> tracks{10};
    gtArray<SceneEvent> events{10};

    // Index of the first track whose target name equals `target` ignoring case, or -1.
    int FindTrack(const char* target) const;
};

struct SceneData {
    gtString meshName;
    gtArray<SceneTriangle> triangles{1000};
    gtArray<SceneAttachment> attachments{10};
    gtArray<SceneAnimation> animations{4};
    gtArray<SceneBone> bones{10};
    int32_t rootBoneIndex = 0;  // stays 0 without a bones block; -1 when no root was found
    gtArray<SceneMaterial> materials{16};
    std::map<int32_t, int32_t> materialIndexById;

    // Index of the first bone whose name equals `name` ignoring case, or -1.
    int FindBone(const char* name) const;
};
