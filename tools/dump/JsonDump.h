// JsonDump: the dump model as one JSON document with a fixed key order and "format": 1.
//
// The content is that of the text dump: the chunk tree, every field by name, and the first
// rows of each array (every row with `all`). Non-finite floats are written as null.
#pragma once

#include <nlohmann/json.hpp>
#include <vector>

#include "tools/dump/DumpModel.h"

struct DumpOptions {
    bool all = false;      // every array row, not only the first
    std::size_t rows = 8;  // rows of each array without `all`
};

// The document; `issues` (from the validator) are added as "issues" when given.
nlohmann::ordered_json DumpJson(const DumpFile& file, const DumpOptions& options,
                                const std::vector<DumpIssue>* issues = nullptr);

// Names of the map slots and event types, "" when unknown.
const char* SlotNameOf(std::int32_t slot);
const char* EventNameOf(std::int32_t type);
