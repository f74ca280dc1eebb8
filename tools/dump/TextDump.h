// TextDump: the dump model as short, aligned text: the chunk tree with offsets and sizes, then
// every field by name, the first rows of each array (all of them with `all`), bone trees
// indented, and for progressive meshes the NINF and PMIN chunks trimming would remove.
#pragma once

#include <string>

#include "tools/dump/DumpModel.h"
#include "tools/dump/JsonDump.h"  // DumpOptions, slot and event names

std::string DumpText(const DumpFile& file, const DumpOptions& options);
