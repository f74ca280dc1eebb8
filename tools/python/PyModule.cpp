// PyModule: the native module _vantok, put together from its parts.
#include "tools/dump/DumpValidator.h"
#include "tools/python/PyArrays.h"
#include "tools/python/PyBindings.h"

namespace py = pybind11;

py::dict ErrorRecord(const char* kind, const std::string& path, const DumpIssue& issue) {
    std::string text = FormatIssue(path, issue);
    const std::string prefix = "error: ";
    if (text.rfind(prefix, 0) == 0)
        text.erase(0, prefix.size());
    py::dict error;
    error["kind"] = kind;
    error["path"] = path;
    error["chunk"] = Text(issue.chunk);
    error["offset"] = issue.offset;
    error["message"] = Text(issue.message);
    error["text"] = Text(text);
    py::dict result;
    result["error"] = error;
    return result;
}

PYBIND11_MODULE(_vantok, module) {
    module.doc() = "Native part of the vantok package; use the vantok package instead.";
    RegisterReading(module);
    RegisterConversion(module);
    RegisterExport(module);
    RegisterImport(module);
}
