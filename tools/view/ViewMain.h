// ViewMain: the vantok-view program: serves the page over the given folders and files until
// Ctrl+C, or draws one picture (--snapshot, --contact-sheet) through the same page in headless
// Chromium and exits. Diagnostics are "error: ..." and "warning: ..." lines on `err`.
// Returns the exit status: 0 success, 1 a failure, 2 a usage error.
#pragma once

#include <cstdio>

int ViewMain(int argc, const char* const* argv, std::FILE* out = stdout, std::FILE* err = stderr);
