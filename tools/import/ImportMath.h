// ImportMath: what the importer adds to the tools' vocabulary (tools/common/ToolMath.h): assimp's
// matrices split into rigid transforms, and the interchange's matrix and axis-angle forms of a
// rotation.
#pragma once

#include <assimp/types.h>

#include "tools/common/ToolMath.h"

// Splits an affine matrix into its rigid part and its scale; the rotation is normalised and has
// w >= 0. `scale` (may be null) receives the per-axis scale.
Transform DecomposeTransform(const aiMatrix4x4& m, Vec3* scale);

// The rotation's 3 x 3 matrix written column by column (the rotated x, y and z axes).
void QuatToColumns(const Quat& q, float columns[9]);
// An axis and an angle in degrees; the identity gives the axis (1, 0, 0) and the angle 0.
void QuatToAxisAngle(const Quat& q, float axis[3], float& degrees);
