// InterchangeValues: element text to scene values; every vector, pair and orientation gets its
// own lexer over the element's text, which lives only while the numbers are read.
#include "MeshAnimConverter/scene/InterchangeValues.h"

#include <cstring>

#include "MeshAnimConverter/scene/InterchangeText.h"
#include "MeshAnimConverter/scene/OrientationForms.h"
#include "xml/gtLexer.h"
#include "xml/gtXmlCompactDoc.h"

namespace {

// A fresh lexer over one element's text. GetText may return the document's scratch text, which
// stays valid while no other element text is joined, that is, for the life of this reader.
class ElementNumbers {
public:
    ElementNumbers(gtXmlElementRef element, gtLineSink* lexerErrors) {
        const char* text = element->GetText();
        m_lexer.errorBox = lexerErrors;
        m_lexer.SetInput(text, static_cast<int>(std::strlen(text)) + 1);
    }
    bool Reported() const { return m_lexer.ErrorFlag(); }
    float Real() { return m_lexer.ReadReal(); }
    void Comma() { m_lexer.SkipComma(); }
    void FourReals(float values[4]) { m_lexer.ReadFourReals(values); }

private:
    gtLexer m_lexer;
};

}  // namespace

gtString ReadTextValue(gtXmlElementRef parent, const char* name, const char* defaultValue) {
    gtXmlElementRef child = parent->FindChildElement(name);
    return gtString(child != nullptr ? child->GetText() : defaultValue);
}

int32_t ReadIntegerValue(gtXmlElementRef parent, const char* name, int32_t defaultValue) {
    gtXmlElementRef child = parent->FindChildElement(name);
    return child != nullptr ? ParseLong(child->GetText()) : defaultValue;
}

float ReadRealValue(gtXmlElementRef parent, const char* name, float defaultValue) {
    gtXmlElementRef child = parent->FindChildElement(name);
    return child != nullptr ? ParseReal(child->GetText()) : defaultValue;
}

int32_t ReadFlagValue(gtXmlElementRef parent, const char* name, int32_t defaultValue) {
    gtXmlElementRef child = parent->FindChildElement(name);
    return child != nullptr ? ParseFlag(child->GetText(), defaultValue) : defaultValue;
}

gtVector3 ReadVectorText(gtXmlElementRef element, gtLineSink* lexerErrors, bool* reported) {
    ElementNumbers numbers(element, lexerErrors);
    gtVector3 v;
    v.x = numbers.Real();
    numbers.Comma();
    v.y = numbers.Real();
    numbers.Comma();
    v.z = numbers.Real();
    numbers.Comma();
    if (reported != nullptr) {
        *reported = numbers.Reported();
    }
    return v;
}

SceneTexCoord ReadPairText(gtXmlElementRef element, gtLineSink* lexerErrors, bool* reported) {
    ElementNumbers numbers(element, lexerErrors);
    SceneTexCoord t;
    t.u = numbers.Real();
    numbers.Comma();
    t.v = numbers.Real();
    if (reported != nullptr) {
        *reported = numbers.Reported();
    }
    return t;
}

gtVector3 ReadVectorValue(gtXmlElementRef parent, const char* name, const gtVector3& defaultValue,
                          gtLineSink* lexerErrors) {
    gtXmlElementRef child = parent->FindChildElement(name);
    return child != nullptr ? ReadVectorText(child, lexerErrors) : defaultValue;
}

SceneTexCoord ReadPairValue(gtXmlElementRef parent, const char* name,
                            const SceneTexCoord& defaultValue, gtLineSink* lexerErrors) {
    gtXmlElementRef child = parent->FindChildElement(name);
    return child != nullptr ? ReadPairText(child, lexerErrors) : defaultValue;
}

gtQuat ReadOrientationValue(gtXmlElementRef parent, const char* name, const gtQuat& previous,
                            gtLineSink* lexerErrors) {
    gtXmlElementRef child = parent->FindChildElement(name);
    if (child == nullptr) {
        return previous;
    }
    const char* format = child->GetAttribute("format");
    ElementNumbers numbers(child, lexerErrors);
    if (gtString::CompareNoCase(format, "matrix") == 0) {
        float m[9];
        for (float& value : m) {
            value = numbers.Real();
            numbers.Comma();
        }
        return QuatFromMatrixColumns(m);
    }
    float v[4];
    numbers.FourReals(v);
    if (gtString::CompareNoCase(format, "axisangle") == 0) {
        return QuatFromAxisAngle(gtVector3{v[0], v[1], v[2]}, v[3], previous);
    }
    return QuatFromComponents(v[0], v[1], v[2], v[3]);
}
