"""Bazel rules that convert interchange files (and models, through vantok-import) to folders of
.im meshes, texture descriptors and .kin animations.

    load("@vantok_bazel//:defs.bzl", "vantok_asset", "vantok_assets", "vantok_import_asset")

    vantok_asset(name = "props/crate", src = "props/crate.xml", options = ["-warnings", "false"])
    vantok_import_asset(name = "assets/panel", src = "panel.obj", data = ["panel.mtl"])
    vantok_assets(name = "assets", srcs = glob(["models/*.xml"]))

A target's outputs are the folder named after it (`assets/crate/` with `crate.im`, its
descriptors and .kin files; the converter runs in `assets/`, so the .im refers to its textures
as `crate/<image>.texture`) and its log beside it (`assets/crate.log`); an imported model also
gives its interchange file (`assets/panel.xml`) and the importer's log (`assets/panel.import.log`).
These are the CMake module's names. Every action runs in the sandbox on declared inputs only:
the source, the program (by its digest) and the action script, so a remote cache shares results
between machines and a remote executor can run them.
"""

_TOOLS = {
    "_script": attr.label(
        default = Label("//:convert.sh"),
        allow_single_file = True,
        executable = True,
        cfg = "exec",
    ),
}

# The environment of every action: fixed, so it is the same on every machine.
_ENV = {"PATH": "/bin:/usr/bin", "LC_ALL": "C"}

# The sandbox gives the actions no network (a namespace of their own with only loopback).
_REQUIREMENTS = {"block-network": ""}

def _convert(ctx, source, options):
    """Declares the conversion of `source` into the target's folder and its log."""
    folder = ctx.actions.declare_directory(ctx.label.name)
    log = ctx.actions.declare_file(ctx.label.name + ".log")
    converter = ctx.executable._converter
    ctx.actions.run(
        executable = ctx.executable._script,
        arguments = ["convert", converter.path, source.path, folder.path, log.path] + options,
        inputs = [source],
        tools = [converter],
        outputs = [folder, log],
        env = _ENV,
        execution_requirements = _REQUIREMENTS,
        mnemonic = "VantokConvert",
        progress_message = "Converting %s into %s" % (source.basename, ctx.label.name),
    )
    return [folder, log]

def _vantok_asset_impl(ctx):
    outputs = _convert(ctx, ctx.file.src, ctx.attr.options)
    return [DefaultInfo(files = depset(outputs))]

vantok_asset = rule(
    implementation = _vantok_asset_impl,
    doc = "Converts one interchange file into the folder named after the target.",
    attrs = dict(_TOOLS, **{
        "src": attr.label(allow_single_file = [".xml"], mandatory = True,
                          doc = "The interchange file."),
        "options": attr.string_list(doc = "Converter options, e.g. [\"-warnings\", \"false\"]."),
        "_converter": attr.label(
            default = Label("@vantok_tools//:VantokMeshImporter"),
            allow_single_file = True,
            executable = True,
            cfg = "exec",
        ),
    }),
)

def _vantok_import_asset_impl(ctx):
    xml = ctx.actions.declare_file(ctx.label.name + ".xml")
    import_log = ctx.actions.declare_file(ctx.label.name + ".import.log")
    importer = ctx.executable._importer
    ctx.actions.run(
        executable = ctx.executable._script,
        arguments = ["import", importer.path, ctx.file.src.path, xml.path, import_log.path] +
                    ctx.attr.import_options,
        inputs = [ctx.file.src] + ctx.files.data,
        tools = [importer],
        outputs = [xml, import_log],
        env = _ENV,
        execution_requirements = _REQUIREMENTS,
        mnemonic = "VantokImport",
        progress_message = "Importing %s" % ctx.file.src.basename,
    )
    outputs = _convert(ctx, xml, ctx.attr.options)
    return [DefaultInfo(files = depset(outputs + [xml, import_log]))]

vantok_import_asset = rule(
    implementation = _vantok_import_asset_impl,
    doc = "Imports a model with vantok-import, then converts it like vantok_asset.",
    attrs = dict(_TOOLS, **{
        "src": attr.label(allow_single_file = True, mandatory = True,
                          doc = "The model (any format vantok-import reads)."),
        "data": attr.label_list(allow_files = True,
                                doc = "Files the model refers to (an OBJ's .mtl, ...)."),
        "import_options": attr.string_list(doc = "vantok-import options, e.g. [\"--fps\", \"60\"]."),
        "options": attr.string_list(doc = "Converter options."),
        "_converter": attr.label(
            default = Label("@vantok_tools//:VantokMeshImporter"),
            allow_single_file = True,
            executable = True,
            cfg = "exec",
        ),
        "_importer": attr.label(
            default = Label("@vantok_tools//:vantok-import"),
            allow_single_file = True,
            executable = True,
            cfg = "exec",
        ),
    }),
)

def _stem(path):
    """The file name of `path` without its last extension."""
    base = path.split(":")[-1].split("/")[-1]
    return base.rpartition(".")[0] if "." in base else base

def vantok_assets(name, srcs, options = [], **kwargs):
    """Converts every interchange file of `srcs` into `<name>/<stem>/`, one target each.

    `name` is a filegroup of them all. Two sources whose names differ only in case are refused:
    their folders would clash on Windows and macOS.
    """
    targets = []
    seen = {}
    for src in srcs:
        stem = _stem(src)
        if not stem:
            fail("vantok_assets(%s): no file name in '%s'" % (name, src))
        key = stem.lower()
        if key in seen:
            fail("vantok_assets(%s): '%s' and '%s' would convert to the same folder '%s/%s'" %
                 (name, seen[key], src, name, stem))
        seen[key] = src
        target = "%s/%s" % (name, stem)
        vantok_asset(name = target, src = src, options = options, **kwargs)
        targets.append(":" + target)
    native.filegroup(name = name, srcs = targets, **kwargs)
