// PyConvert: convert of the native module, the typed conversion entry with the interpreter lock
// released while it runs (several Python threads can convert at once).
#include <pybind11/stl.h>

#include <optional>

#include "MeshAnimConverter/driver/Conversion.h"
#include "tools/python/PyBindings.h"

namespace py = pybind11;

namespace {

py::dict Convert(const std::string& inFile, const std::string& outFile, bool outputIM,
                 bool outputKIN, unsigned threads, std::optional<std::uint32_t> seed) {
    ConversionOptions options;
    options.inFile = inFile;
    options.outFile = outFile;
    options.outputIM = outputIM;
    options.outputKIN = outputKIN;
    options.threads = threads;
    options.referenceNameSeed = seed;
    ConversionResult result;
    {
        py::gil_scoped_release release;
        result = RunConversion(options);
    }
    py::dict d;
    d["success"] = result.success;
    d["error_count"] = result.errorCount;
    d["warning_count"] = result.warningCount;
    d["lines"] = result.lines;
    d["files_written"] = result.filesWritten;
    return d;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Entry points

void RegisterConversion(py::module_& module) {
    module.def("convert", Convert);
}
