"""read_im, read_kin and read_pm against the JSON of vantok-dump run as a program, on the
examples and on generated scenes; the .pm chunk offsets are worked out from the bytes."""

import numpy as np
import pytest
import vantok
from conftest import (EXAMPLES, dump_json, find_chunk, random_triangles, run_converter,
                      sample_triangles, scene_xml, u32)


def floats(values):
    """JSON numbers as float32 (null for non-finite values: NaN)."""
    return np.array([[np.nan if v is None else v for v in row] for row in values],
                    dtype=np.float32).reshape(len(values), -1)


def check_mesh_against_dump(path):
    mesh = vantok.read_im(path)
    doc = dump_json(path)
    assert mesh.box_min == tuple(doc["info"]["boundingBox"]["min"])
    assert mesh.box_max == tuple(doc["info"]["boundingBox"]["max"])
    assert len(mesh.chunks) == len(doc["meshChunks"])
    for chunk, expected in zip(mesh.chunks, doc["meshChunks"]):
        g = expected["geometry"]
        vertices = floats(g["vertices"])
        np.testing.assert_array_equal(chunk.positions, vertices[:, :3])
        np.testing.assert_array_equal(chunk.texcoords, vertices[:, 3:5])
        np.testing.assert_array_equal(chunk.normals, floats(g["normals"]))
        np.testing.assert_array_equal(chunk.face_normals, floats(g["faceNormals"]))
        assert chunk.triangles.dtype == np.uint16
        np.testing.assert_array_equal(chunk.triangles,
                                      np.array(g["triangles"], dtype=np.uint16).reshape(-1, 3))
        if g["tangents"]:
            np.testing.assert_array_equal(chunk.tangents, floats(g["tangentVectors"]))
        else:
            assert chunk.tangents is None
        m = expected["material"]
        assert chunk.material.name == m["name"]
        assert chunk.material.two_sided == bool(m["twoSided"])
        assert (chunk.material.diffuse, chunk.material.opacity) == (tuple(m["diffuse"]),
                                                                    m["opacity"])
        assert [(x.slot_name, x.file_name) for x in chunk.material.maps] == \
            [(x["slotName"], x["fileName"]) for x in m["maps"]]
        assert chunk.palette == [p["bone"] for p in expected["palette"]]
    check_weights(mesh, doc)
    assert [a.name for a in mesh.attachments] == [a["name"] for a in doc.get("attachments", [])]
    for a, e in zip(mesh.attachments, doc.get("attachments", [])):
        np.testing.assert_array_equal(a.matrix.reshape(9), np.float32(e["matrix"]))
    return mesh


def check_weights(mesh, doc):
    """Every INFL weight record appears in its chunk's arrays under its bone's palette slot."""
    for i, chunk in enumerate(mesh.chunks):
        expected = [[] for _ in chunk.positions]
        for bone in doc.get("influences", []):
            for entry in bone["entries"]:
                if entry["chunk"] == i:
                    slot = chunk.palette.index(bone["name"])
                    for w in entry["weights"]:
                        expected[w["vertex"]].append((slot, np.float32(w["weight"])))
        got = [[(int(b), w) for b, w in zip(bi, bw) if b >= 0]
               for bi, bw in zip(chunk.bone_indices, chunk.bone_weights)]
        assert got == expected
        assert np.all(chunk.bone_weights[chunk.bone_indices < 0] == 0)


def check_animation_against_dump(path):
    anim = vantok.read_kin(path)
    doc = dump_json(path)["animation"]
    assert (anim.name, anim.frame_rate, anim.frame_count) == (doc["name"], doc["frameRate"],
                                                              doc["frameCount"])
    assert anim.bone_names == [b["name"] for b in doc["bones"]]
    assert anim.bone_parents == [b["parent"] for b in doc["bones"]]
    assert anim.frames.shape == (len(doc["frames"]), len(doc["bones"]), 7)
    for frame, expected in zip(anim.frames, doc["frames"]):
        np.testing.assert_array_equal(frame, floats(expected["poses"]))
    assert [(e.frame, e.type_name, e.name) for e in anim.events] == \
        [(e["frame"], e["typeName"], e["name"]) for e in doc["events"]]
    return anim


@pytest.mark.parametrize("example", EXAMPLES, ids=lambda p: p.stem)
def test_examples_equal_the_dump(example, tmp_path):
    status, lines = run_converter("-inFile", example, "-outFile", tmp_path / example.stem)
    assert status == 0, lines
    check_mesh_against_dump(tmp_path / f"{example.stem}.im")
    for kin in tmp_path.glob("*.kin"):
        check_animation_against_dump(kin)


@pytest.mark.parametrize("seed", [1, 2, 3])
def test_generated_scenes_equal_the_dump(seed, tmp_path):
    xml = tmp_path / "random.xml"
    xml.write_text(scene_xml(random_triangles(seed), tbump=seed == 2))
    status, lines = run_converter("-inFile", xml)
    assert status == 0, lines
    mesh = check_mesh_against_dump(tmp_path / "random.im")
    assert (mesh.chunks[0].tangents is not None) == (seed == 2)
    check_animation_against_dump(tmp_path / "swing.kin")


def test_sample_scene_by_hand(sample):
    """Values known from the scene itself, not from any reader."""
    mesh = vantok.read_im(sample / "sample.im")
    assert (mesh.box_min, mesh.box_max) == ((0, 0, 0), (1, 1, 1))
    assert [len(c.triangles) for c in mesh.chunks] == [2, 1]
    assert [len(c.positions) for c in mesh.chunks] == [4, 3]
    paint = mesh.chunks[0]
    assert paint.palette == ["b.root", "b.arm"]
    assert paint.bone_indices.shape == (4, 2)
    # each vertex's weights sum to 1; the split corner (1, 1) is 0.25 root and 0.75 arm
    np.testing.assert_allclose(paint.bone_weights.sum(axis=1), 1, rtol=1e-6)
    split = int(np.flatnonzero((paint.positions == (1, 1, 0)).all(axis=1))[0])
    assert sorted(zip(paint.bone_indices[split], paint.bone_weights[split])) == \
        [(0, 0.25), (1, 0.75)]
    # the metal triangle's corner without weights keeps empty slots
    metal = mesh.chunks[1]
    bare = int(np.flatnonzero((metal.positions == (0, 1, 1)).all(axis=1))[0])
    assert list(metal.bone_indices[bare]) == [-1] * metal.bone_indices.shape[1]
    assert metal.material.two_sided and metal.material.opacity == 0.5
    assert mesh.chunks[0].material.diffuse == (0.5, 0.25, 1.0)
    assert [a.name for a in mesh.attachments] == ["a.hand"]
    assert mesh.attachments[0].position == (1, 2, 3)
    anim = vantok.read_kin(sample / "swing.kin")
    assert (anim.frame_rate, anim.frames.shape) == (24, (3, 2, 7))
    assert anim.bone_names == ["b.root", "b.arm"] and anim.bone_parents == [-1, 0]
    # root positions (0, f, 0) in model space, frame by frame
    np.testing.assert_array_equal(anim.frames[:, 0, :3], [[0, f, 0] for f in range(3)])
    assert "Mesh(" in repr(mesh) and "triangles=3" in repr(mesh)


def test_pm_lists_the_chunks_trimming_removes(sample, tmp_path):
    data = bytearray((sample / "sample.im").read_bytes())
    chunk = find_chunk(data, "CHNK")
    chunk_end = chunk + 8 + u32(data, chunk + 4)
    data[chunk_end:chunk_end] = b"NINF" + (8).to_bytes(4, "little") + bytes(8)
    data[chunk + 4:chunk + 8] = (u32(data, chunk + 4) + 16).to_bytes(4, "little")
    pmin = len(data)
    data += b"PMIN" + (4).to_bytes(4, "little") + bytes(4)
    data[4:8] = (len(data) - 8).to_bytes(4, "little")
    path = tmp_path / "trimmed.bin"  # the trimming rules apply whatever the name
    path.write_bytes(bytes(data))
    info = vantok.read_pm(path)
    assert info.length == len(data)
    assert [(c.id, c.offset, c.size) for c in info.removed] == \
        [("NINF", chunk_end, 8), ("PMIN", pmin, 4)]
    assert ("CHNK", chunk) in [(c.id, c.offset) for c in info.chunks]
    # read as a mesh, the progressive chunks are skipped
    assert len(vantok.read_im(path).chunks) == 2
