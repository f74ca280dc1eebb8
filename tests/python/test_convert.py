"""convert against the program: the same files byte for byte (the random hexadecimal part of
material reference names masked), the same console lines without the closing summary, the
same bytes from four threads at once, and failures raised with the program's message."""

import os
import re
import struct
import threading

import pytest
import vantok
from conftest import EXAMPLES, random_triangles, run_converter, scene_xml

# a material's reference name is "*BASE*HEX*name*m.…" with 1 to 8 random hexadecimal digits;
# they are masked, and the string and the chunks around it sized again
REFERENCE = re.compile(rb"^(\*[^*]*\*)[0-9A-F]{1,8}\*")


def padded(text):
    size = (len(text) + 3) & ~3
    return struct.pack("<I", size) + text + bytes(size - len(text))


def chunks(data):
    at = 0
    while at + 8 <= len(data):
        size = struct.unpack_from("<I", data, at + 4)[0]
        yield data[at:at + 4], data[at + 8:at + 8 + size]
        at += 8 + size


def canonical_chunks(data):
    out = b""
    for ident, payload in chunks(data):
        if ident == b"CHNK":
            payload = payload[:8] + canonical_chunks(payload[8:])
        elif ident == b"MATL":
            size = struct.unpack_from("<I", payload, 4)[0]
            name = REFERENCE.sub(rb"\1#*", payload[8:8 + size].rstrip(b"\0"))
            payload = payload[:4] + padded(name) + payload[8 + size:]
        out += ident + struct.pack("<I", len(payload)) + payload
    return out


def masked(data):
    """An .im file with its reference names masked; other files as they are."""
    if data[8:12] != b"IDXM":
        return data
    body = data[8:12] + canonical_chunks(data[12:])
    return b"VIRF" + struct.pack("<I", len(body)) + body


def raw_files(folder):
    return {p.name: p.read_bytes() for p in sorted(folder.iterdir())
            if p.suffix in (".im", ".kin") or p.name.endswith(".texture.txt")}


def output_files(folder):
    return {name: masked(data) for name, data in raw_files(folder).items()}


@pytest.mark.parametrize("example", EXAMPLES, ids=lambda p: p.stem)
def test_files_and_lines_equal_the_program(example, tmp_path, monkeypatch):
    # both sides write to the same relative name (written paths are part of the files and lines)
    (tmp_path / "program").mkdir()
    (tmp_path / "module").mkdir()
    status, program_lines = run_converter("-inFile", example, "-outFile", example.stem,
                                          cwd=tmp_path / "program")
    assert status == 0
    monkeypatch.chdir(tmp_path / "module")
    result = vantok.convert(example, example.stem, threads=2)
    assert result.success and result.error_count == 0
    program = output_files(tmp_path / "program")
    assert program and output_files(tmp_path / "module") == program
    # the program's last line is the closing summary
    assert program_lines[-1].startswith("Info: Process completed")
    assert result.lines == program_lines[:-1]
    assert result.warning_count == sum(line.startswith("Warning: ") for line in result.lines)
    assert sorted(os.path.basename(p) for p in result.files_written) == sorted(program)


def test_switches_and_default_output_name(tmp_path):
    xml = tmp_path / "scene.xml"
    xml.write_text(scene_xml(random_triangles(5, 12)))
    vantok.convert(xml, output_kin=False)
    assert (tmp_path / "scene.im").exists() and not (tmp_path / "swing.kin").exists()
    (tmp_path / "scene.im").unlink()
    vantok.convert(str(xml), output_im=False)
    assert (tmp_path / "swing.kin").exists() and not (tmp_path / "scene.im").exists()
    for bad in ({"threads": 0}, {"reference_name_seed": -1}, {"reference_name_seed": 2**32}):
        with pytest.raises(ValueError):
            vantok.convert(xml, **bad)


def test_a_seed_fixes_the_reference_names(tmp_path):
    xml = tmp_path / "scene.xml"
    xml.write_text(scene_xml(random_triangles(6, 12), bones=False))
    files = []
    for seed in (1, 1, 2):
        vantok.convert(xml, reference_name_seed=seed)
        files.append((tmp_path / "scene.im").read_bytes())
    assert files[0] == files[1] and files[0] != files[2]
    assert masked(files[0]) == masked(files[2])


def test_four_threads_at_once_give_the_bytes_of_one(tmp_path):
    scenes = []
    for seed in range(4):
        folder = tmp_path / f"scene{seed}"
        folder.mkdir()
        (folder / "s.xml").write_text(scene_xml(random_triangles(seed, 200)))
        scenes.append(folder)
    # one at a time first, then all four at once to the same names; the reference names drawn
    # alike, so every byte compares
    alone = []
    for folder in scenes:
        (folder / "out").mkdir()
        vantok.convert(folder / "s.xml", folder / "out" / "s", threads=1, reference_name_seed=7)
        alone.append(raw_files(folder / "out"))
        for file in (folder / "out").iterdir():
            file.unlink()
    failures = []

    def convert(folder):
        try:
            vantok.convert(folder / "s.xml", folder / "out" / "s", reference_name_seed=7)
        except vantok.Error as e:  # reported below, in the main thread
            failures.append(e)

    threads = [threading.Thread(target=convert, args=(f,)) for f in scenes]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert not failures
    assert [raw_files(f / "out") for f in scenes] == alone


def test_failure_raises_with_the_program_message(tmp_path):
    bad = tmp_path / "bad.xml"
    bad.write_text("<?xml version=\"1.0\"?>\n<vantokImport><version>1</version><mesh>")
    status, lines = run_converter("-inFile", bad, "-outFile", tmp_path / "p")
    assert status == 1
    with pytest.raises(vantok.ConversionError) as caught:
        vantok.convert(bad, tmp_path / "m")
    result = caught.value.result
    assert not result.success and result.error_count >= 1
    assert result.lines == lines[:-1]
    errors = [line[len("Error: "):] for line in lines if line.startswith("Error: ")]
    assert str(caught.value) == "; ".join(errors)
    assert not (tmp_path / "m.im").exists()
