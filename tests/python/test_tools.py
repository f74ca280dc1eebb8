"""validate, export_gltf and import_model against vantok-dump --validate, vantok-dump --gltf and
vantok-import run as programs."""

import os
import struct
import subprocess

import pytest
import vantok
from conftest import EXAMPLES, run_converter, run_dump

IMPORTER = os.environ.get("VANTOK_IMPORTER", "")
needs_importer = pytest.mark.skipif(not IMPORTER, reason="this build has no vantok-import")

# two materials (the second with a normal map), two quads, a point and a line
TWO_MTL = ("newmtl Plain\nKd 0.5 0.25 1\nd 0.5\n"
           "newmtl Bumpy\nKd 1 1 1\nmap_Kd tex/brick.png\nnorm tex/brick_n.png\n")
TWO_OBJ = ("mtllib two.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 2 0 0\nv 2 1 0\n"
           "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nvn 0 0 1\nusemtl Plain\nf 1/1/1 2/2/1 3/3/1 4/4/1\n"
           "usemtl Bumpy\nf 2/1/1 5/2/1 6/3/1 3/4/1\np 1\nl 1 2\n")


@pytest.mark.parametrize("example", EXAMPLES, ids=lambda p: p.stem)
def test_converted_examples_are_valid(example, tmp_path):
    run_converter("-inFile", example, "-outFile", tmp_path / example.stem)
    for path in sorted(tmp_path.glob("*.*")):
        if path.suffix in (".im", ".kin"):
            assert vantok.validate(path) == []


def test_export_equals_the_dump_program(sample, tmp_path):
    status, _, err = run_dump(sample / "sample.im", "--gltf", tmp_path / "program.glb",
                              "--kin", sample / "swing.kin")
    assert status == 0, err
    mesh = vantok.read_im(sample / "sample.im")
    warnings = vantok.export_gltf(mesh, tmp_path / "module.glb", [sample / "swing.kin"])
    module = (tmp_path / "module.glb").read_bytes()
    assert module == (tmp_path / "program.glb").read_bytes()
    # the header: magic, version 2, the whole length
    assert module[:4] == b"glTF" and struct.unpack_from("<II", module, 4) == (2, len(module))
    prefix = f"warning: {tmp_path / 'program.glb'}: "
    assert [prefix + w for w in warnings] == err.splitlines()


def test_export_of_a_damaged_animation_raises(sample, tmp_path):
    (tmp_path / "bad.kin").write_bytes(b"VIRF\x05\x00\x00\x00ANIM")
    with pytest.raises(vantok.DamagedError):
        vantok.export_gltf(sample / "sample.im", tmp_path / "x.glb", [tmp_path / "bad.kin"])
    with pytest.raises(vantok.Error, match="ANIM"):
        vantok.export_gltf(sample / "swing.kin", tmp_path / "x.glb")
    assert not (tmp_path / "x.glb").exists()
    # a folder that does not exist: the dump's message
    out = tmp_path / "absent" / "x.glb"
    status, _, err = run_dump(sample / "sample.im", "--gltf", out)
    assert status == 1
    with pytest.raises(vantok.Error) as caught:
        vantok.export_gltf(sample / "sample.im", out)
    assert type(caught.value) is vantok.Error
    assert err.splitlines()[-1] == f"error: {caught.value}"


def run_importer(*args):
    run = subprocess.run([IMPORTER, *map(str, args)], capture_output=True, text=True,
                         check=False)
    return run.returncode, run.stdout.splitlines(), run.stderr.splitlines()


@needs_importer
@pytest.mark.parametrize("options,arguments", [
    ({}, []),
    ({"fps": 12, "frames": "local", "orientation": "matrix", "tbump": "all",
      "attachment_prefix": "x.", "max_weights": 2},
     ["--fps", "12", "--frames", "local", "--orientation", "matrix", "--tbump", "all",
      "--attachment-prefix", "x.", "--max-weights", "2"]),
])
def test_import_equals_the_program(tmp_path, options, arguments):
    (tmp_path / "two.mtl").write_text(TWO_MTL)
    model = tmp_path / "two.obj"
    model.write_text(TWO_OBJ)
    status, lines, diagnostics = run_importer(model, "-o", tmp_path / "program.xml", *arguments)
    assert status == 0, diagnostics
    result = vantok.import_model(model, tmp_path / "module.xml", **options)
    assert (tmp_path / "module.xml").read_bytes() == (tmp_path / "program.xml").read_bytes()
    assert result.output == str(tmp_path / "module.xml")
    assert ["warning: " + w for w in result.warnings] == diagnostics
    assert len(result.warnings) == 1 and "dropped 1 point(s) and 1 line(s)" in result.warnings[0]
    assert result.lines == [line.replace("program.xml", "module.xml") for line in lines]
    # the interchange file converts
    assert vantok.convert(tmp_path / "module.xml").success


@needs_importer
def test_import_failures(tmp_path):
    broken = tmp_path / "broken.gltf"
    broken.write_text('{"asset": ')
    status, _, diagnostics = run_importer(broken, "-o", tmp_path / "p.xml")
    assert status == 1
    with pytest.raises(vantok.ConversionError) as caught:
        vantok.import_model(broken, tmp_path / "m.xml")
    assert diagnostics == [f"error: {caught.value}"]
    assert not (tmp_path / "m.xml").exists()
    with pytest.raises(vantok.UnreadableError, match="No such file or directory"):
        vantok.import_model(tmp_path / "absent.obj")
    with pytest.raises(vantok.UnreadableError, match="is a directory"):
        vantok.import_model(tmp_path)
    for bad, error in [({"fps": 0}, ValueError), ({"max_weights": 5}, ValueError),
                       ({"frames": "sideways"}, ValueError), ({"colour": 1}, TypeError)]:
        with pytest.raises(error):
            vantok.import_model(broken, tmp_path / "m.xml", **bad)


@pytest.mark.skipif(bool(IMPORTER), reason="this build has vantok-import")
def test_import_without_the_importer_names_the_package(tmp_path):
    with pytest.raises(vantok.Error, match="install libassimp-dev"):
        vantok.import_model(tmp_path / "any.obj")
