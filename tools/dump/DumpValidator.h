// DumpValidator: checks the invariants a consumer of .im, .kin and .pm files relies on.
//
// Errors: sizes inconsistent with the framing (the reader's fatal issue), counts that do not
// match the arrays, triangle indices not below the chunk's vertex count, triangles with two
// equal indices, vertex weights not summing to 1 within 1e-4 (no weight at all is allowed),
// weights outside the chunks' palettes, and animation frames that are missing or do not hold
// every bone. Warnings: normals and face normals not of unit length, tangents not orthogonal
// to their normals. Cost: linear in the file's arrays.
#pragma once

#include <string>
#include <vector>

#include "tools/dump/DumpModel.h"

// Every finding about the file, the reader's included, in file order per kind.
std::vector<DumpIssue> ValidateDump(const DumpFile& file);

// "error: PATH: CHUNK at offset N: message" (or "warning: ..."), one line without newline.
std::string FormatIssue(const std::string& path, const DumpIssue& issue);

// Whether any issue is an error.
bool HasErrors(const std::vector<DumpIssue>& issues);
