// InterchangeValues: reading one value from the text of a child element of the interchange
// file.
//
// Each reader takes the parent element, the child's name (compared exactly, with case) and the
// value to give when the child is missing. Present children are read by kind:
// - text: unchanged (an empty element gives empty text);
// - integer, real, flag: ParseLong, ParseReal, ParseFlag (InterchangeText.h);
// - vector, pair: numbers read with a fresh gtLexer over the text, a number being an optional
//   "-" and a number token: a vector's three numbers are each followed by a comma probe, a
//   pair's first only. A missing or malformed number is the lexer's error (shown by the lexer,
//   never counted by the program log) and reads as 0;
// - orientation: the element's `format` attribute (ignoring case) selects "matrix" (nine
//   numbers, each followed by a comma probe), "axisangle" (axis and angle in degrees) or, for
//   anything else, a quaternion x, y, z, w; four-number forms probe for commas between numbers
//   only. See OrientationForms.h for the arithmetic.
// The *Text forms read an element already found (the vertex channels need that); `reported`,
// when given, tells whether the lexer reported an error on the way.
// `lexerErrors`, when given, receives the lexer's error box texts instead of the box.
#pragma once

#include <cstdint>

#include "MeshAnimConverter/scene/SceneData.h"

class gtLineSink;
class gtXmlElementRef;

gtString ReadTextValue(gtXmlElementRef parent, const char* name, const char* defaultValue);
int32_t ReadIntegerValue(gtXmlElementRef parent, const char* name, int32_t defaultValue);
float ReadRealValue(gtXmlElementRef parent, const char* name, float defaultValue);
int32_t ReadFlagValue(gtXmlElementRef parent, const char* name, int32_t defaultValue);
gtVector3 ReadVectorValue(gtXmlElementRef parent, const char* name, const gtVector3& defaultValue,
                          gtLineSink* lexerErrors = nullptr);
SceneTexCoord ReadPairValue(gtXmlElementRef parent, const char* name,
                            const SceneTexCoord& defaultValue, gtLineSink* lexerErrors = nullptr);
// `previous` is also what an axis-angle with a zero axis or angle keeps.
gtQuat ReadOrientationValue(gtXmlElementRef parent, const char* name, const gtQuat& previous,
                            gtLineSink* lexerErrors = nullptr);

gtVector3 ReadVectorText(gtXmlElementRef element, gtLineSink* lexerErrors = nullptr,
                         bool* reported = nullptr);
SceneTexCoord ReadPairText(gtXmlElementRef element, gtLineSink* lexerErrors = nullptr,
                           bool* reported = nullptr);
