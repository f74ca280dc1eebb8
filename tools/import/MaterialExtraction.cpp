// MaterialExtraction: reads the material keys the interchange carries and the first texture of
// each map slot; writes embedded images out as their own bytes (compressed formats) or as a
// 32-bit TGA (raw texels).
#include "tools/import/MaterialExtraction.h"

#include <assimp/material.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <utility>

namespace {

struct SlotSource {
    const char* typeName;
    aiTextureType types[3];  // tried in order; aiTextureType_NONE ends the list
};

// The map slots the interchange knows and where assimp keeps them.
const SlotSource kSlots[] = {
    {"diffuse", {aiTextureType_DIFFUSE, aiTextureType_BASE_COLOR, aiTextureType_NONE}},
    {"opacity", {aiTextureType_OPACITY, aiTextureType_NONE, aiTextureType_NONE}},
    {"specular", {aiTextureType_SPECULAR, aiTextureType_NONE, aiTextureType_NONE}},
    {"selfillum", {aiTextureType_EMISSIVE, aiTextureType_EMISSION_COLOR, aiTextureType_NONE}},
    {"bump", {aiTextureType_NORMALS, aiTextureType_HEIGHT, aiTextureType_NORMAL_CAMERA}},
};

Vec3 Colour(const aiMaterial& m, const char* key, unsigned type, unsigned index, Vec3 fallback) {
    aiColor3D c;
    if (m.Get(key, type, index, c) == aiReturn_SUCCESS) {
        return Vec3{c.r, c.g, c.b};
    }
    return fallback;
}

bool Tiles(const aiMaterial& m, const char* key, aiTextureType type) {
    int mode = aiTextureMapMode_Wrap;
    m.Get(key, type, 0, mode);
    return mode == aiTextureMapMode_Wrap || mode == aiTextureMapMode_Mirror;
}

std::string ImageExtension(const aiTexture& t) {
    if (t.mHeight != 0) {
        return "tga";
    }
    std::string hint;
    for (size_t i = 0; i < sizeof(t.achFormatHint) && t.achFormatHint[i] != 0; ++i) {
        const unsigned char c = static_cast<unsigned char>(t.achFormatHint[i]);
        if (std::isalnum(c)) {
            hint += static_cast<char>(std::tolower(c));
        }
    }
    if (!hint.empty()) {
        return hint == "jpeg" ? "jpg" : hint;
    }
    const auto* b = reinterpret_cast<const unsigned char*>(t.pcData);
    if (t.mWidth >= 4 && b[0] == 0x89 && b[1] == 'P' && b[2] == 'N' && b[3] == 'G') {
        return "png";
    }
    if (t.mWidth >= 2 && b[0] == 0xFF && b[1] == 0xD8) {
        return "jpg";
    }
    return "bin";
}

std::vector<std::uint8_t> ImageBytes(const aiTexture& t) {
    if (t.mHeight == 0) {
        const auto* b = reinterpret_cast<const std::uint8_t*>(t.pcData);
        return std::vector<std::uint8_t>(b, b + t.mWidth);
    }
    // raw texels (b, g, r, a), top row first: a TGA with its origin at the top left
    std::vector<std::uint8_t> bytes(18, 0);
    bytes[2] = 2;
    bytes[12] = static_cast<std::uint8_t>(t.mWidth & 0xFF);
    bytes[13] = static_cast<std::uint8_t>((t.mWidth >> 8) & 0xFF);
    bytes[14] = static_cast<std::uint8_t>(t.mHeight & 0xFF);
    bytes[15] = static_cast<std::uint8_t>((t.mHeight >> 8) & 0xFF);
    bytes[16] = 32;
    bytes[17] = 0x28;
    const size_t texels = static_cast<size_t>(t.mWidth) * t.mHeight;
    bytes.reserve(18 + 4 * texels);
    for (size_t i = 0; i < texels; ++i) {
        bytes.push_back(t.pcData[i].b);
        bytes.push_back(t.pcData[i].g);
        bytes.push_back(t.pcData[i].r);
        bytes.push_back(t.pcData[i].a);
    }
    return bytes;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Entry points

MaterialExtractor::MaterialExtractor(const aiScene& scene, std::string imageStem, TangentBump tbump)
    : m_scene(scene), m_imageStem(std::move(imageStem)), m_tbump(tbump) {}

std::string MaterialExtractor::EmbeddedFileName(const std::string& path) {
    const auto [texture, index] = m_scene.GetEmbeddedTextureAndIndex(path.c_str());
    if (texture == nullptr || index < 0 || texture->pcData == nullptr) {
        return path;
    }
    const auto it = m_written.find(index);
    if (it != m_written.end()) {
        return it->second;
    }
    const std::string name =
        m_imageStem + "_" + std::to_string(index) + "." + ImageExtension(*texture);
    m_written.emplace(index, name);
    m_images.push_back(ImportImage{name, ImageBytes(*texture)});
    return name;
}

ImportMaterial MaterialExtractor::Extract(unsigned index) {
    ImportMaterial out;
    out.name = "unnamed";
    if (index >= m_scene.mNumMaterials || m_scene.mMaterials[index] == nullptr) {
        return out;
    }
    const aiMaterial& m = *m_scene.mMaterials[index];
    aiString name;
    if (m.Get(AI_MATKEY_NAME, name) == aiReturn_SUCCESS && name.length > 0) {
        out.name = name.C_Str();
    }
    out.ambient = Colour(m, AI_MATKEY_COLOR_AMBIENT, Vec3{});
    out.diffuse = Colour(m, AI_MATKEY_COLOR_DIFFUSE, Vec3{1, 1, 1});
    out.specular = Colour(m, AI_MATKEY_COLOR_SPECULAR, Vec3{});
    out.emissive = Colour(m, AI_MATKEY_COLOR_EMISSIVE, Vec3{});
    float shininess = 0;
    if (m.Get(AI_MATKEY_SHININESS, shininess) == aiReturn_SUCCESS && shininess > 0) {
        out.shine = std::min(shininess, 100.0f) / 100.0f;  // NaN compares false and stays 0
    }
    float opacity = 1.0f;
    if (m.Get(AI_MATKEY_OPACITY, opacity) == aiReturn_SUCCESS && opacity >= 0 && opacity <= 1) {
        out.opacity = opacity;
    }
    int twoSided = 0;
    out.twoSided = m.Get(AI_MATKEY_TWOSIDED, twoSided) == aiReturn_SUCCESS && twoSided != 0;

    bool bump = false;
    for (const SlotSource& slot : kSlots) {
        for (aiTextureType type : slot.types) {
            aiString path;
            if (type == aiTextureType_NONE) {
                break;
            }
            if (m.GetTextureCount(type) == 0 ||
                m.Get(AI_MATKEY_TEXTURE(type, 0), path) != aiReturn_SUCCESS || path.length == 0) {
                continue;
            }
            ImportTexture& t = out.textures.emplace_back();
            t.file = EmbeddedFileName(path.C_Str());
            t.type = slot.typeName;
            t.tileU = Tiles(m, _AI_MATKEY_MAPPINGMODE_U_BASE, type);
            t.tileV = Tiles(m, _AI_MATKEY_MAPPINGMODE_V_BASE, type);
            float blend = 1.0f;
            if (m.Get(AI_MATKEY_TEXBLEND(type, 0), blend) == aiReturn_SUCCESS && blend >= 0 &&
                blend <= 1) {
                t.opacity = blend;
            }
            bump = bump || std::strcmp(slot.typeName, "bump") == 0;
            break;
        }
    }
    const bool tagged = out.name.find(".tbump") != std::string::npos;
    if (!tagged && ((m_tbump == TangentBump::Auto && bump) || m_tbump == TangentBump::All)) {
        out.name += ".tbump";
    }
    return out;
}
