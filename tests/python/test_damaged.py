"""Damaged files: each hand-damaged copy of the dump's tests either raises vantok.Error with
the line vantok-dump prints (broken framing) or reads and gives the findings vantok-dump
--validate prints (damage inside well-framed chunks); truncated and byte-flipped copies never
stop the interpreter."""

import struct
from pathlib import Path

import pytest
import vantok
from conftest import find_chunk, run_dump, u32


def put32(data, at, value):
    data[at:at + 4] = struct.pack("<I", value)


def geom_of_chunk0(data):
    """(GEOM offset, vertex count) of CHNK 0: version and index, then MATL, then GEOM."""
    matl = find_chunk(data, "CHNK") + 16
    geom = matl + 8 + u32(data, matl + 4)
    assert data[geom:geom + 4] == b"GEOM"
    return geom, u32(data, geom + 8 + 16)


def index_out_of_range(data):
    geom, vertices = geom_of_chunk0(data)
    # 9 words and an empty bound-node string (48 bytes with the header), the vertices of 20
    # bytes, then 16-bit indices: triangle 1's third one becomes the vertex count
    corner = geom + 48 + vertices * 20 + 6 + 4
    data[corner:corner + 2] = struct.pack("<H", vertices)


def size_one_byte_short(data):
    geom, _ = geom_of_chunk0(data)
    put32(data, geom + 4, u32(data, geom + 4) - 1)


def weights_summing_to_half(data):
    record = find_chunk(data, "INFL") + 92  # bone b.root's first weight record
    weight = struct.unpack_from("<f", data, record + 4)[0]
    data[record + 4:record + 8] = struct.pack("<f", weight - 0.5)


def frame_missing_a_bone(data):
    last = find_chunk(data, "FRAM", 2)
    del data[len(data) - 28:]
    put32(data, last + 4, 8 + 28)
    put32(data, 4, len(data) - 8)


def frame_count_too_high(data):
    info = find_chunk(data, "INFO")
    put32(data, info + 28, 4)


def form_size_past_the_end(data):
    data[:] = b"VIRF\x05\x00\x00\x00ANIM"


def top_level_matl(data):
    data += b"MATL\x04\x00\x00\x00\x67\x00\x00\x00"
    put32(data, 4, len(data) - 8)


CASES = [  # (name, source file, damage, written name)
    ("index out of range", "sample.im", index_out_of_range, "index.im"),
    ("size one byte short", "sample.im", size_one_byte_short, "short.im"),
    ("weights summing to half", "sample.im", weights_summing_to_half, "half.im"),
    ("frame missing a bone", "swing.kin", frame_missing_a_bone, "missing.kin"),
    ("frame count too high", "swing.kin", frame_count_too_high, "count.kin"),
    ("form size past the end", "swing.kin", form_size_past_the_end, "damaged.kin"),
    ("stray MATL in an .im", "sample.im", top_level_matl, "odd.im"),
    ("stray MATL in a .pm", "sample.im", top_level_matl, "odd.pm"),
]


def reader_for(name):
    return vantok.read_kin if name.endswith(".kin") else vantok.read_im


@pytest.mark.parametrize("source,damage,name", [c[1:] for c in CASES], ids=[c[0] for c in CASES])
def test_damaged_copies_raise_or_report_as_the_dump(sample, source, damage, name):
    data = bytearray((sample / source).read_bytes())
    damage(data)
    path = sample / name
    path.write_bytes(bytes(data))
    status, _, err = run_dump(path)
    _, lines, _ = run_dump(path, "--validate")
    lines = [line for line in lines.splitlines() if line != "valid"]
    if status != 0:
        # broken framing: the dump's one error line is the exception's text
        with pytest.raises(vantok.DamagedError) as caught:
            reader_for(name)(path)
        assert err == f"error: {caught.value}\n"
        assert caught.value.path == str(path)
    else:
        reader_for(name)(path)
    assert [str(f) for f in vantok.validate(path)] == lines
    assert lines  # every case is found by the one or the other


def test_the_cases_divide_as_expected(sample):
    """Which copies break the framing, worked out from what each damage does."""
    framing = {"size one byte short", "form size past the end"}
    for label, source, damage, name in CASES:
        data = bytearray((sample / source).read_bytes())
        damage(data)
        (sample / name).write_bytes(bytes(data))
        try:
            reader_for(name)(sample / name)
            broken = False
        except vantok.DamagedError:
            broken = True
        assert broken == (label in framing), label


def test_unreadable_files(tmp_path):
    missing = tmp_path / "missing.im"
    status, _, err = run_dump(missing)
    assert status == 1
    for read in (vantok.read_im, vantok.read_kin, vantok.read_pm, vantok.validate):
        with pytest.raises(vantok.UnreadableError) as caught:
            read(missing)
        assert err == f"error: {caught.value}\n"
    status, _, err = run_dump(tmp_path)  # a folder
    assert status == 1
    with pytest.raises(vantok.UnreadableError, match="is a directory") as caught:
        vantok.read_im(tmp_path)
    assert err == f"error: {caught.value}\n"


def test_the_wrong_kind_raises(sample):
    with pytest.raises(vantok.Error, match="ANIM"):
        vantok.read_im(sample / "swing.kin")
    with pytest.raises(vantok.Error, match="IDXM"):
        vantok.read_kin(sample / "sample.im")


@pytest.mark.parametrize("source", ["sample.im", "swing.kin"])
def test_truncated_and_flipped_copies_never_stop_the_interpreter(sample, source):
    data = (sample / source).read_bytes()
    path = sample / ("copy" + Path(source).suffix)
    read = reader_for(source)

    def consume(copy):
        path.write_bytes(copy)
        try:
            read(path)
        except vantok.DamagedError as e:
            assert e.message and 0 <= e.offset <= len(data)
        except vantok.Error:
            pass  # a flipped form type: another kind of file
        vantok.validate(path)

    # every byte of the headers, then every 7th (each copy is a file to write; the library's
    # own tests sweep every position in memory)
    positions = [*range(min(64, len(data))), *range(64, len(data), 7)]
    for n in positions:
        with pytest.raises(vantok.Error):
            path.write_bytes(data[:n])
            read(path)
    for at in positions:
        flipped = bytearray(data)
        flipped[at] ^= 0xA5
        consume(bytes(flipped))
