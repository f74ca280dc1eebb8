// ImportedModel: the content of one interchange file as plain records, filled from an assimp
// scene by ModelImporter and written by InterchangeWriter. Positions and orientations are in
// model space unless a field says otherwise; a quaternion is (x, y, z, w), w the scalar part.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/import/ImportMath.h"

struct ImportVertex {
    Vec3 position;
    Vec3 normal;
    float uv[2] = {0, 0};
    int weightCount = 0;  // 0 to 4
    int boneIds[4] = {0, 0, 0, 0};
    float weights[4] = {0, 0, 0, 0};
};

struct ImportTriangle {
    int materialId = 0;
    ImportVertex corners[3];
};

struct ImportTexture {
    std::string file;  // as the model names it, or the file written for an embedded image
    std::string type;  // a map slot name: diffuse, opacity, specular, selfillum, bump
    bool tileU = true;
    bool tileV = true;
    float opacity = 1.0f;
};

struct ImportMaterial {
    std::string name;
    Vec3 ambient;
    Vec3 diffuse{1, 1, 1};
    Vec3 specular;
    Vec3 emissive;
    float shine = 0;  // 0 to 1
    float opacity = 1.0f;
    bool twoSided = false;
    std::vector<ImportTexture> textures;
};

struct ImportBone {
    std::string name;  // "b." prefixed, unique ignoring case
    int parent = -1;   // index of the parent bone; -1 for the root, which is bone 0
    Transform bind;    // model space
};

struct ImportAttachment {
    std::string name;
    Transform transform;  // model space, bind pose
};

struct ImportAnimation {
    std::string name;
    int frameRate = 30;
    int frameCount = 0;
    // frames[f * boneCount + b]: the model-space transform of bone b at frame f
    std::vector<Transform> frames;
};

// An embedded image to write beside the interchange file.
struct ImportImage {
    std::string fileName;
    std::vector<std::uint8_t> bytes;
};

struct ImportedModel {
    std::string meshName;
    std::vector<ImportTriangle> triangles;
    std::vector<ImportMaterial> materials;
    std::vector<ImportBone> bones;
    std::vector<ImportAttachment> attachments;
    std::vector<ImportAnimation> animations;
    std::vector<ImportImage> images;
    std::vector<std::string> warnings;  // one line each, without the "warning: " head
};
