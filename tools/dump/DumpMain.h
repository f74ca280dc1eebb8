// DumpMain: the vantok-dump command line over the dump library.
//
//   vantok-dump FILE.im|FILE.kin|FILE.pm [--all] [--json] [--validate] [--gltf OUT.glb [--kin A.kin
//   ...]]
//
// Results go to `out`, diagnostics to `err` ("error: ..." and "warning: ..." lines naming the
// file). Returns the exit status: 0 success, 1 a failure or an invalid file, 2 a usage error.
#pragma once

#include <cstdio>

int DumpMain(int argc, const char* const* argv, std::FILE* out = stdout, std::FILE* err = stderr);
