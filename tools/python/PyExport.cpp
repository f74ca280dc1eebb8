// PyExport: export_gltf of the native module: an .im file and any .kin files to one .glb.
#include <pybind11/stl.h>

#include "tools/dump/GltfExport.h"
#include "tools/python/PyBindings.h"

namespace py = pybind11;

namespace {

py::object Export(const std::string& im, const std::string& out,
                  const std::vector<std::string>& kins) {
    DumpFile mesh;
    std::vector<DumpFile> animations(kins.size());
    py::dict error;
    if (!LoadDump(im, Rules::ByName, DumpKind::IndexedMesh, false, mesh, error))
        return error;
    for (std::size_t i = 0; i < kins.size(); ++i) {
        if (!LoadDump(kins[i], Rules::ByName, DumpKind::Animation, false, animations[i], error))
            return error;
    }
    GltfResult result;
    {
        py::gil_scoped_release release;
        result = ExportGlb(mesh, animations, out);
    }
    if (!result.ok) {
        py::dict record = ErrorRecord("failed", out, DumpIssue{true, "", 0, result.error});
        record["error"]["text"] = out + ": " + result.error;  // as the dump prints it
        return record;
    }
    return py::cast(result.warnings);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Entry points

void RegisterExport(py::module_& module) {
    module.def("export_gltf", Export);
}
