// InterchangeWriter: the text of an interchange file (root `vantokImport`, version 1) from an
// ImportedModel, and a replace-on-commit file write. Reals are written with nine significant
// digits (the "%.9g" form), so every float reads back to the same bits. Bind poses are model
// space; animation frames are written as model-space (global) or parent-relative (local) frames,
// orientations as quaternions, matrices or axis and angle. Cost: linear in the model.
#pragma once

#include <string>

#include "tools/import/ImportOptions.h"
#include "tools/import/ImportedModel.h"

std::string InterchangeText(const ImportedModel& model, FrameSpace frames,
                            OrientationForm orientation);

// Writes `bytes` to a temporary file beside `path` and renames it into place; false with a
// reason in `error` when any step fails (an existing file at `path` is then left as it was).
bool WriteFileAtomically(const std::string& path, const std::string& bytes, std::string& error);

// A real in the "%.9g" form, locale-independent.
std::string FormatReal(float value);
