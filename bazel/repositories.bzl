"""The repository of the converter and the importer the asset rules run.

    load("@vantok_bazel//:repositories.bzl", "vantok_tools")
    vantok_tools(name = "vantok_tools")

The programs are those named by the environment variables VANTOK_CONVERTER and VANTOK_IMPORT
(an installed package's or a build folder's; a relative path is taken from the workspace root),
else those found on the PATH (the importer first beside the converter). They are linked into the
repository as `VantokMeshImporter` and `vantok-import`, so every action takes them as inputs by
their digests: a rebuilt converter reconverts everything, and two machines with the same
programs share their results through a remote cache. Without an importer, the label stands for a
program that fails with a message, so only the rules that import models fail.
"""

_CONVERTER = "VantokMeshImporter"
_IMPORTER = "vantok-import"

def _program(rctx, variable, program, beside = None):
    """The path of `program`: the variable's value, a file beside `beside`, the PATH, or None."""
    value = rctx.os.environ.get(variable, "")
    if value:
        if not value.startswith("/"):
            value = str(rctx.path(Label("@//:WORKSPACE")).dirname) + "/" + value
        path = rctx.path(value)
        if not path.exists:
            fail("%s=%s: no such file" % (variable, value))
        return path
    if beside != None:
        candidate = beside.dirname.get_child(program)
        if candidate.exists:
            return candidate
    return rctx.which(program)

def _vantok_tools_impl(rctx):
    converter = _program(rctx, "VANTOK_CONVERTER", _CONVERTER)
    if converter == None:
        fail("%s not found: set VANTOK_CONVERTER to its path (for example " % _CONVERTER +
             "--repo_env=VANTOK_CONVERTER=/usr/bin/%s) or put it on the PATH" % _CONVERTER)
    rctx.symlink(converter, _CONVERTER)

    importer = _program(rctx, "VANTOK_IMPORT", _IMPORTER, converter)
    if importer != None:
        rctx.symlink(importer, _IMPORTER)
    else:
        rctx.file(
            _IMPORTER,
            "#!/bin/sh\necho 'vantok-import not found when the tools were set up: set " +
            "VANTOK_IMPORT to its path or put it on the PATH' >&2\nexit 1\n",
            executable = True,
        )

    rctx.file("WORKSPACE", 'workspace(name = "%s")\n' % rctx.name)
    rctx.file("BUILD", "exports_files(%r, visibility = [\"//visibility:public\"])\n" %
                       [_CONVERTER, _IMPORTER])

vantok_tools = repository_rule(
    implementation = _vantok_tools_impl,
    environ = ["VANTOK_CONVERTER", "VANTOK_IMPORT", "PATH"],
    local = True,
    doc = "Links the converter and the importer into a repository for the asset rules.",
)
