// ImportRun: the whole vantok-import run after the command line is parsed: import the model,
// write its embedded images and the interchange file (each under a temporary name, renamed when
// complete), report, and with --convert run the converter in-process on the result.
//
// Standard output gets the summary line (and the converter's own lines); standard error gets
// one line per diagnostic, "warning: 'MODEL': ...", "error: MODEL: REASON" for a model that
// cannot be read as a file (a directory, the system's reason for a failed open) or
// "error: cannot import 'MODEL': REASON". A model without triangles is written with a warning,
// and refused with --convert before any file is written. Returns the exit status: 0 on
// success, 1 on a failure (nothing written then), or the converter's status with --convert.
#pragma once

#include <cstdio>
#include <string>

#include "tools/import/ImportOptions.h"

// The interchange path for a model when -o is not given: the model's path ending in .xml.
std::string DefaultOutputPath(const std::string& modelPath);

int RunImport(const ImportOptions& options, std::FILE* out, std::FILE* err);
