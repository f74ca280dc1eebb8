// PyImport: import_model of the native module, the vantok-import run with its output captured.
// Built without the importer (no assimp), the function reports which package is missing.
#include <pybind11/stl.h>

#include <cstdio>

#include "tools/python/PyBindings.h"

#ifdef VANTOK_PYTHON_IMPORTER
#include "tools/import/ImportRun.h"
#endif

namespace py = pybind11;

namespace {

#ifdef VANTOK_PYTHON_IMPORTER

std::vector<std::string> ReadLines(std::FILE* file) {
    std::vector<std::string> lines;
    std::fflush(file);
    std::rewind(file);
    std::string line;
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) {
        if (c != '\n') {
            line += static_cast<char>(c);
            continue;
        }
        lines.push_back(line);
        line.clear();
    }
    if (!line.empty())
        lines.push_back(line);
    std::fclose(file);
    return lines;
}

template <typename E>
E Choice(const std::string& value, std::initializer_list<std::pair<const char*, E>> choices,
         const char* option) {
    for (const auto& [name, e] : choices) {
        if (value == name)
            return e;
    }
    throw py::value_error(std::string("import_model: ") + option + " cannot be '" + value + "'");
}

// Keyword options named as the command line's (dashes as underscores).
ImportOptions OptionsOf(const std::string& model, const std::string& out, const py::dict& kw) {
    ImportOptions o;
    o.modelPath = model;
    o.outputPath = out;
    for (const auto& [key, value] : kw) {
        const std::string name = py::cast<std::string>(key);
        if (name == "fps")
            o.fps = py::cast<int>(value);
        else if (name == "frames")
            o.frames = Choice<FrameSpace>(
                py::cast<std::string>(value),
                {{"global", FrameSpace::Global}, {"local", FrameSpace::Local}}, "frames");
        else if (name == "orientation")
            o.orientation = Choice<OrientationForm>(py::cast<std::string>(value),
                                                    {{"quaternion", OrientationForm::Quaternion},
                                                     {"matrix", OrientationForm::Matrix},
                                                     {"axisangle", OrientationForm::AxisAngle}},
                                                    "orientation");
        else if (name == "tbump")
            o.tbump = Choice<TangentBump>(py::cast<std::string>(value),
                                          {{"auto", TangentBump::Auto},
                                           {"all", TangentBump::All},
                                           {"none", TangentBump::None}},
                                          "tbump");
        else if (name == "attachment_prefix")
            o.attachmentPrefix = py::cast<std::string>(value);
        else if (name == "max_weights")
            o.maxWeights = py::cast<int>(value);
        else
            throw py::type_error("import_model: unknown option '" + name + "'");
    }
    if (o.fps < 1)
        throw py::value_error("import_model: fps must be 1 or more");
    if (o.maxWeights < 1 || o.maxWeights > 4)
        throw py::value_error("import_model: max_weights must be 1 to 4");
    return o;
}

py::dict Import(const std::string& model, const std::string& out, const py::kwargs& kw) {
    const ImportOptions options = OptionsOf(model, out, kw);
    std::FILE* output = std::tmpfile();
    std::FILE* errors = std::tmpfile();
    if (output == nullptr || errors == nullptr)
        throw std::runtime_error("import_model: cannot capture the importer's output");
    int status = 0;
    {
        py::gil_scoped_release release;
        status = RunImport(options, output, errors);
    }
    py::dict d;
    d["status"] = status;
    d["lines"] = ReadLines(output);
    d["diagnostics"] = ReadLines(errors);
    d["output"] = out.empty() ? DefaultOutputPath(model) : out;
    return d;
}

#else

py::dict Import(const std::string&, const std::string&, const py::kwargs&) {
    py::dict record = ErrorRecord("missing", "", DumpIssue{});
    record["error"]["text"] = "import_model: this build has no importer; install " +
                              std::string(VANTOK_PYTHON_IMPORTER_MISSING) + " and rebuild";
    return record;
}

#endif

}  // namespace

// ---------------------------------------------------------------------------------------------
// Entry points

void RegisterImport(py::module_& module) {
    module.def("import_model", Import);
}
