// OrientationForms: the three ways an interchange file writes an orientation, turned into a
// quaternion (x, y, z, w).
//
// - QuatFromComponents: x, y, z, w multiplied by the reciprocal square root of their squared
//   length; a zero quaternion stays zero.
// - QuatFromMatrixColumns: a 3x3 rotation written column by column (m[0..2] the rotated x axis),
//   first made orthonormal keeping the direction of the third column, then converted.
// - QuatFromAxisAngle: an axis and an angle in degrees; an axis no longer than 1.1920929e-7 or
//   an angle of exactly 0 keeps `previous`.
// All arithmetic is 32-bit float in the written order; square roots are 1.0f / sqrtf(x), and
// sine and cosine are the correctly rounded single-precision values.
#pragma once

#include "toolkit/gtMath.h"

gtQuat QuatFromComponents(float x, float y, float z, float w);
gtQuat QuatFromMatrixColumns(const float m[9]);
gtQuat QuatFromAxisAngle(const gtVector3& axis, float degrees, const gtQuat& previous);
