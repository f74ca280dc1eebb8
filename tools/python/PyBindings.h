// PyBindings: the parts of the native module _vantok, each registered by its own file.
//
// The native module returns plain values (dicts, lists, NumPy arrays); the Python package
// (vantok/__init__.py) turns them into typed records and raises its exceptions. An error is
// returned as {"error": {"kind", "path", "chunk", "offset", "message", "text"}}, where kind is
// "unreadable" (the file cannot be loaded), "damaged" (its framing is broken), "kind" (another
// form than the one asked for), "failed" (a glTF export that could not be written) or
// "missing" (a build without the importer), and text is the line the programs print after
// "error: ".
#pragma once

#include <pybind11/pybind11.h>

#include <string>

#include "tools/dump/DumpModel.h"

// The error record for `issue` in the file at `path`; text as the dump prints it.
pybind11::dict ErrorRecord(const char* kind, const std::string& path, const DumpIssue& issue);

// Which reading rules apply: the file name's (.pm: those of trimming) or trimming's always.
enum class Rules { ByName, Progressive };

// Loads and reads the file with the interpreter lock released. False with `error` set when it
// cannot be loaded or, unless `any` is set, its framing is broken or it holds another form
// than `kind`.
bool LoadDump(const std::string& path, Rules rules, DumpKind kind, bool any, DumpFile& file,
              pybind11::dict& error);

void RegisterReading(pybind11::module_& module);     // read_im, read_kin, read_pm, validate
void RegisterConversion(pybind11::module_& module);  // convert
void RegisterExport(pybind11::module_& module);      // export_gltf
void RegisterImport(pybind11::module_& module);      // import_model
