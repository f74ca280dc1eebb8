// PyReading: read_im, read_kin, read_pm and validate of the native module.
//
// A file is loaded and read with the interpreter lock released; a file that cannot be loaded
// or whose framing is broken gives an error record, damage inside well-framed chunks is read
// as it is (validate reports it).
#include "MeshAnimConverter/chunks/ChunkReader.h"
#include "tools/common/FileChecks.h"
#include "tools/dump/DumpReader.h"
#include "tools/dump/DumpValidator.h"
#include "tools/python/PyArrays.h"
#include "tools/python/PyBindings.h"
#include "tools/python/PyValues.h"

namespace py = pybind11;

namespace {

// The values of the file read as `kind`, or an error record.
py::dict ReadAs(const std::string& path, DumpKind kind, Rules rules,
                py::dict (*values)(const DumpFile&)) {
    DumpFile file;
    py::dict error;
    if (!LoadDump(path, rules, kind, false, file, error))
        return error;
    return values(file);
}

py::object Validate(const std::string& path) {
    DumpFile file;
    py::dict error;
    if (!LoadDump(path, Rules::ByName, DumpKind::Unknown, true, file, error))
        return error;
    std::vector<DumpIssue> issues;
    {
        py::gil_scoped_release release;
        issues = ValidateDump(file);
    }
    py::list findings;
    for (const DumpIssue& issue : issues) {
        py::dict d;
        d["severity"] = issue.error ? "error" : "warning";
        d["chunk"] = Text(issue.chunk);
        d["offset"] = issue.offset;
        d["message"] = Text(issue.message);
        d["text"] = Text(FormatIssue(path, issue));
        findings.append(d);
    }
    return findings;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Entry points

bool LoadDump(const std::string& path, Rules rules, DumpKind kind, bool any, DumpFile& file,
              py::dict& error) {
    std::vector<std::uint8_t> bytes;
    std::string message;
    bool loaded = false;
    {
        py::gil_scoped_release release;
        // The dump's check first: a folder or a file that cannot be opened gets the system's
        // reason, as vantok-dump prints it.
        message = InputProblem(path);
        if (message.empty()) {
            try {
                loaded = ChunkReader::LoadFile(path, bytes, message);
            } catch (const std::exception& e) {
                message = std::string("cannot be read: ") + e.what();
            }
        }
        if (loaded) {
            // the dump applies the progressive-mesh rules to names ending in .pm
            file =
                ReadDumpBytes(std::move(bytes), rules == Rules::Progressive ? path + "#.pm" : path);
            file.path = path;
        }
    }
    if (!loaded) {
        error = ErrorRecord("unreadable", path, DumpIssue{true, "", 0, message, true});
        return false;
    }
    if (any)
        return true;
    if (file.fatal) {
        error = ErrorRecord("damaged", path, *file.fatal);
        return false;
    }
    if (file.kind != kind) {
        const std::string expected = kind == DumpKind::IndexedMesh ? "IDXM" : "ANIM";
        error = ErrorRecord(
            "kind", path,
            DumpIssue{true, "", 8,
                      "Form type '" + file.form + "' where " + expected + " was expected"});
        return false;
    }
    return true;
}

void RegisterReading(py::module_& module) {
    module.def("read_im", [](const std::string& path) {
        return ReadAs(path, DumpKind::IndexedMesh, Rules::ByName, MeshValues);
    });
    module.def("read_kin", [](const std::string& path) {
        return ReadAs(path, DumpKind::Animation, Rules::ByName, AnimationValues);
    });
    module.def("read_pm", [](const std::string& path) {
        return ReadAs(path, DumpKind::IndexedMesh, Rules::Progressive, PmValues);
    });
    module.def("validate", Validate);
}
