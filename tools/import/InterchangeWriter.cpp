// InterchangeWriter: appends elements to one string (std::to_chars for the numbers), then one
// checked write through AtomicOutputFile.
#include "tools/import/InterchangeWriter.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "tools/common/FileChecks.h"

namespace {

class XmlText {
public:
    explicit XmlText(std::string& text) : m_text(text) {}

    void Real(float value) {
        if (!std::isfinite(value)) {
            value = 0;  // the interchange has no form for them; geometry counts them earlier
        }
        // integers below 1e9 print as "%.9g" prints them, without the general conversion
        if (value == std::trunc(value) && std::fabs(value) < 1e9f &&
            !(value == 0 && std::signbit(value))) {
            Integer(static_cast<long>(value));
            return;
        }
        char buffer[32];
        const auto result =
            std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 9);
        m_text.append(buffer, result.ptr);
    }
    void Reals(const float* values, int count) {
        for (int i = 0; i < count; ++i) {
            if (i > 0) {
                m_text += ", ";
            }
            Real(values[i]);
        }
    }
    void Integer(long value) {
        char buffer[24];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
        m_text.append(buffer, result.ptr);
    }
    // Element text: markup characters escaped, control characters (not representable) as '_'.
    void Escaped(const std::string& text) {
        for (const char c : text) {
            switch (c) {
                case '&':
                    m_text += "&amp;";
                    break;
                case '<':
                    m_text += "&lt;";
                    break;
                case '>':
                    m_text += "&gt;";
                    break;
                default:
                    m_text += static_cast<unsigned char>(c) < 0x20 ? '_' : c;
            }
        }
    }
    void Open(const char* name) {
        m_text += '<';
        m_text += name;
        m_text += '>';
    }
    void Close(const char* name) {
        m_text += "</";
        m_text += name;
        m_text += '>';
    }
    void TextElement(const char* name, const std::string& value) {
        Open(name);
        Escaped(value);
        Close(name);
    }
    void IntegerElement(const char* name, long value) {
        Open(name);
        Integer(value);
        Close(name);
    }
    void RealElement(const char* name, float value) {
        Open(name);
        Real(value);
        Close(name);
    }
    void VectorElement(const char* name, const Vec3& v) {
        const float values[3] = {v.x, v.y, v.z};
        Open(name);
        Reals(values, 3);
        Close(name);
    }
    void FlagElement(const char* name, bool value) {
        Open(name);
        m_text += value ? "true" : "false";
        Close(name);
    }
    void OrientationElement(const char* name, const Quat& q, OrientationForm form) {
        m_text += '<';
        m_text += name;
        if (form == OrientationForm::Matrix) {
            float columns[9];
            QuatToColumns(q, columns);
            m_text += " format=\"matrix\">";
            Reals(columns, 9);
        } else if (form == OrientationForm::AxisAngle) {
            float values[4];
            QuatToAxisAngle(q, values, values[3]);
            m_text += " format=\"axisangle\">";
            Reals(values, 4);
        } else {
            const float values[4] = {q.x, q.y, q.z, q.w};
            m_text += '>';
            Reals(values, 4);
        }
        Close(name);
    }
    void Line(const char* text) { m_text += text; }

private:
    std::string& m_text;
};

void WriteVertex(XmlText& x, const ImportVertex& v) {
    x.Line("<vertex>");
    x.VectorElement("position", v.position);
    x.VectorElement("normal", v.normal);
    x.Open("texcoord");
    x.Reals(v.uv, 2);
    x.Close("texcoord");
    for (int k = 0; k < v.weightCount; ++k) {
        const char stream[] = {'"', static_cast<char>('0' + k), '"', '>', 0};
        x.Line("<boneId stream=");
        x.Line(stream);
        x.Integer(v.boneIds[k]);
        x.Close("boneId");
        x.Line("<blend stream=");
        x.Line(stream);
        x.Real(v.weights[k]);
        x.Close("blend");
    }
    x.Line("</vertex>\n");
}

void WriteMaterial(XmlText& x, const ImportMaterial& m, int id) {
    x.Line("    <material>");
    x.TextElement("name", m.name);
    x.IntegerElement("id", id);
    x.VectorElement("ambient", m.ambient);
    x.VectorElement("diffuse", m.diffuse);
    x.VectorElement("specular", m.specular);
    x.VectorElement("emissive", m.emissive);
    x.RealElement("shine", m.shine);
    x.FlagElement("twoSided", m.twoSided);
    x.RealElement("opacity", m.opacity);
    x.Line("\n      <textures>\n");
    for (const ImportTexture& t : m.textures) {
        x.Line("        <texture>");
        x.TextElement("textureName", t.file);
        x.TextElement("typeName", t.type);
        x.FlagElement("tileU", t.tileU);
        x.FlagElement("tileV", t.tileV);
        x.RealElement("layerOpacity", t.opacity);
        x.Line("</texture>\n");
    }
    x.Line("      </textures>\n    </material>\n");
}

void WriteAnimation(XmlText& x, const ImportedModel& model, const ImportAnimation& a,
                    FrameSpace frames, OrientationForm form) {
    const size_t bones = model.bones.size();
    x.Line("    <animation>");
    x.TextElement("name", a.name);
    x.IntegerElement("frameRate", a.frameRate);
    x.FlagElement("useLocalSpace", frames == FrameSpace::Local);
    x.Line("\n      <animationTracks>\n");
    for (size_t b = 0; b < bones; ++b) {
        const int parent = model.bones[b].parent;
        x.Line("        <track>");
        x.TextElement("targetName", model.bones[b].name);
        x.Line("<keyFrames>\n");
        for (int f = 0; f < a.frameCount; ++f) {
            Transform t = a.frames[f * bones + b];
            if (frames == FrameSpace::Local && parent >= 0) {
                t = Relative(a.frames[f * bones + parent], t);
            }
            x.Line("          <keyFrame>");
            x.VectorElement("position", t.position);
            x.OrientationElement("rotation", t.rotation, form);
            x.Line("</keyFrame>\n");
        }
        x.Line("        </keyFrames></track>\n");
    }
    x.Line("      </animationTracks>\n    </animation>\n");
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Entry points

std::string FormatReal(float value) {
    std::string text;
    XmlText(text).Real(value);
    return text;
}

std::string InterchangeText(const ImportedModel& model, FrameSpace frames,
                            OrientationForm orientation) {
    std::string text;
    text.reserve(model.triangles.size() * 700 + 4096);
    XmlText x(text);
    x.Line("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<vantokImport>\n  <version>1</version>\n");
    x.Line("  <mesh>\n    ");
    x.TextElement("name", model.meshName);
    x.Line("\n    <triangles>\n");
    for (const ImportTriangle& t : model.triangles) {
        x.Line("      <triangle>");
        x.IntegerElement("materialId", t.materialId);
        x.Line("\n");
        for (const ImportVertex& v : t.corners) {
            x.Line("        ");
            WriteVertex(x, v);
        }
        x.Line("      </triangle>\n");
    }
    x.Line("    </triangles>\n");
    if (!model.attachments.empty()) {
        x.Line("    <attachments>\n");
        for (const ImportAttachment& a : model.attachments) {
            x.Line("      <attachment>");
            x.TextElement("name", a.name);
            x.VectorElement("position", a.transform.position);
            x.OrientationElement("orientation", a.transform.rotation, orientation);
            x.Line("</attachment>\n");
        }
        x.Line("    </attachments>\n");
    }
    x.Line("  </mesh>\n  <materials>\n");
    for (size_t m = 0; m < model.materials.size(); ++m) {
        WriteMaterial(x, model.materials[m], static_cast<int>(m));
    }
    x.Line("  </materials>\n");
    if (!model.bones.empty()) {
        x.Line("  <skeleton>\n    <bones>\n");
        for (size_t b = 0; b < model.bones.size(); ++b) {
            const ImportBone& bone = model.bones[b];
            x.Line("      <bone>");
            x.IntegerElement("id", static_cast<long>(b));
            x.TextElement("name", bone.name);
            if (bone.parent >= 0) {
                x.TextElement("parentName", model.bones[bone.parent].name);
            }
            x.VectorElement("position", bone.bind.position);
            x.OrientationElement("orientation", bone.bind.rotation, orientation);
            x.Line("</bone>\n");
        }
        x.Line("    </bones>\n  </skeleton>\n");
    }
    if (!model.animations.empty() && !model.bones.empty()) {
        x.Line("  <animations>\n");
        for (const ImportAnimation& a : model.animations) {
            WriteAnimation(x, model, a, frames, orientation);
        }
        x.Line("  </animations>\n");
    }
    x.Line("</vantokImport>\n");
    return text;
}

bool WriteFileAtomically(const std::string& path, const std::string& bytes, std::string& error) {
    return WriteFileAtomically(path, bytes.data(), bytes.size(), error);
}
