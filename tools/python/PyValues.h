// PyValues: the values of vantok.Mesh and vantok.Animation read from the dump model.
#pragma once

#include <pybind11/pybind11.h>

#include "tools/dump/DumpModel.h"

// An indexed mesh read without a fatal error: box, bones, attachments and chunks with arrays.
pybind11::dict MeshValues(const DumpFile& file);

// An animation read without a fatal error: bones, frames × bones × 7 poses, rate and events.
pybind11::dict AnimationValues(const DumpFile& file);

// The chunk tree and the progressive-mesh chunks trimming would remove.
pybind11::dict PmValues(const DumpFile& file);
