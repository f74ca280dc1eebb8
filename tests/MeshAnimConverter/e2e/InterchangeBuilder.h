// InterchangeBuilder: writes interchange XML documents for the end-to-end tests and the
// conversion benchmark: triangles with full corners and bone weights, materials with texture
// layers, attachments, bones and animations with events. Numbers are written with nine
// significant digits, so every 32-bit float reads back exactly.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

struct IxCorner {
    float position[3] = {0, 0, 0};
    float normal[3] = {0, 0, 1};
    float uv[2] = {0, 0};
    std::vector<std::pair<int, float>> weights;  // (bone id, blend), at most 4
};

struct IxTriangle {
    int materialId = 0;
    IxCorner corners[3];
};

struct IxTexture {
    std::string name;
    std::string type;
    int tileU = 1;
    int tileV = 1;
    float opacity = 1.0f;
};

struct IxMaterial {
    std::string name;
    int id = 0;
    bool twoSided = false;
    float shine = 0.0f;
    float opacity = 1.0f;
    float ambient[3] = {1, 1, 1};
    float diffuse[3] = {1, 1, 1};
    float specular[3] = {1, 1, 1};
    float emissive[3] = {0, 0, 0};
    std::vector<IxTexture> textures;
};

struct IxAttachment {
    std::string name;
    float position[3] = {0, 0, 0};
    float orientation[4] = {0, 0, 0, 1};
};

struct IxBone {
    int id = 0;
    std::string name;
    std::string parent;
    float position[3] = {0, 0, 0};
    float orientation[4] = {0, 0, 0, 1};
};

struct IxKey {
    float position[3] = {0, 0, 0};
    float rotation[4] = {0, 0, 0, 1};
};

struct IxTrack {
    std::string target;
    std::vector<IxKey> keys;
};

struct IxAnimation {
    std::string name;
    bool hasName = true;
    int frameRate = 30;
    std::vector<IxTrack> tracks;
};

struct InterchangeBuilder {
    std::string meshName = "generated";
    std::vector<IxTriangle> triangles;
    std::vector<IxMaterial> materials;
    std::vector<IxAttachment> attachments;
    std::vector<IxBone> bones;
    std::vector<IxAnimation> animations;

    std::string Text() const {
        std::string out;
        out.reserve(triangles.size() * 900 + 4096);
        out += "<?xml version=\"1.0\"?>\n<vantokImport>\n  <version>1</version>\n  <mesh>\n";
        out += "    <name>" + meshName + "</name>\n    <triangles>\n";
        for (const IxTriangle& t : triangles) {
            out +=
                "      <triangle><materialId>" + std::to_string(t.materialId) + "</materialId>\n";
            for (const IxCorner& c : t.corners) {
                out += "        <vertex><position>" + Floats(c.position, 3) +
                       "</position><normal>" + Floats(c.normal, 3) + "</normal><texcoord>" +
                       Floats(c.uv, 2) + "</texcoord>";
                for (size_t s = 0; s < c.weights.size() && s < 4; ++s) {
                    const std::string stream = std::to_string(s);
                    out += "<boneId stream=\"" + stream + "\">" +
                           std::to_string(c.weights[s].first) + "</boneId><blend stream=\"" +
                           stream + "\">" + Float(c.weights[s].second) + "</blend>";
                }
                out += "</vertex>\n";
            }
            out += "      </triangle>\n";
        }
        out += "    </triangles>\n";
        if (!attachments.empty()) {
            out += "    <attachments>\n";
            for (const IxAttachment& a : attachments) {
                out += "      <attachment><name>" + a.name + "</name><position>" +
                       Floats(a.position, 3) + "</position><orientation>" +
                       Floats(a.orientation, 4) + "</orientation></attachment>\n";
            }
            out += "    </attachments>\n";
        }
        out += "  </mesh>\n  <materials>\n";
        for (const IxMaterial& m : materials) {
            out += "    <material><name>" + m.name + "</name><id>" + std::to_string(m.id) +
                   "</id><ambient>" + Floats(m.ambient, 3) + "</ambient><diffuse>" +
                   Floats(m.diffuse, 3) + "</diffuse><specular>" + Floats(m.specular, 3) +
                   "</specular><emissive>" + Floats(m.emissive, 3) + "</emissive><shine>" +
                   Float(m.shine) + "</shine><opacity>" + Float(m.opacity) +
                   "</opacity><twoSided>" + (m.twoSided ? "true" : "false") +
                   "</twoSided>\n      <textures>\n";
            for (const IxTexture& t : m.textures) {
                out += "        <texture><textureName>" + t.name + "</textureName><typeName>" +
                       t.type + "</typeName><tileU>" + std::to_string(t.tileU) + "</tileU><tileV>" +
                       std::to_string(t.tileV) + "</tileV><layerOpacity>" + Float(t.opacity) +
                       "</layerOpacity></texture>\n";
            }
            out += "      </textures>\n    </material>\n";
        }
        out += "  </materials>\n";
        if (!bones.empty()) {
            out += "  <skeleton>\n    <bones>\n";
            for (const IxBone& b : bones) {
                out +=
                    "      <bone><id>" + std::to_string(b.id) + "</id><name>" + b.name + "</name>";
                if (!b.parent.empty()) {
                    out += "<parentName>" + b.parent + "</parentName>";
                }
                out += "<position>" + Floats(b.position, 3) + "</position><orientation>" +
                       Floats(b.orientation, 4) + "</orientation></bone>\n";
            }
            out += "    </bones>\n  </skeleton>\n";
        }
        if (!animations.empty()) {
            out += "  <animations>\n";
            for (const IxAnimation& a : animations) {
                out += "    <animation>";
                if (a.hasName) {
                    out += "<name>" + a.name + "</name>";
                }
                out +=
                    "<frameRate>" + std::to_string(a.frameRate) +
                    "</frameRate><useLocalSpace>false</useLocalSpace>\n      <animationTracks>\n";
                for (const IxTrack& t : a.tracks) {
                    out += "        <track><targetName>" + t.target + "</targetName><keyFrames>\n";
                    for (const IxKey& k : t.keys) {
                        out += "          <keyFrame><position>" + Floats(k.position, 3) +
                               "</position><rotation>" + Floats(k.rotation, 4) +
                               "</rotation></keyFrame>\n";
                    }
                    out += "        </keyFrames></track>\n";
                }
                out += "      </animationTracks>\n    </animation>\n";
            }
            out += "  </animations>\n";
        }
        out += "</vantokImport>\n";
        return out;
    }

    static std::string Float(float value) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%.9g", static_cast<double>(value));
        return buffer;
    }
    static std::string Floats(const float* values, int count) {
        std::string text;
        for (int i = 0; i < count; ++i) {
            if (i > 0) {
                text += ", ";
            }
            text += Float(values[i]);
        }
        return text;
    }
};
