"""examples/python/check_assets.py: its ACMR on hand-counted cases, and the script run as a
program on the examples and on a folder with a broken file."""

import importlib.util
import os
import subprocess
import sys

import numpy as np
import pytest
from conftest import EXAMPLES, SOURCE_DIR, random_triangles, scene_xml

SCRIPT = SOURCE_DIR / "examples" / "python" / "check_assets.py"
loader_info = importlib.util.spec_from_file_location("check_assets", SCRIPT)
check_assets = importlib.util.module_from_spec(loader_info)
loader_info.loader.exec_module(check_assets)


def tris(*rows):
    return np.array(rows, dtype=np.uint16).reshape(-1, 3)


@pytest.mark.parametrize("lists,cache,expected", [
    ([tris((0, 1, 2))], 16, 3.0),                       # every vertex once
    ([tris((0, 1, 2), (2, 1, 3))], 16, 2.0),            # a shared edge: 4 vertices, 2 triangles
    ([tris((0, 1, 2), (0, 1, 2))], 16, 1.5),            # the repeat hits
    # FIFO, not LRU: the hit on 0 does not keep it, so it is pushed out and missed again
    # (LRU would give 6 / 3)
    ([tris((0, 1, 2), (0, 3, 4), (0, 2, 4))], 3, 7 / 3),
    ([tris((0, 1, 2)), tris((0, 1, 2))], 16, 3.0),      # each list starts with an empty cache
    ([tris()], 16, 0.0),
])
def test_acmr_by_hand(lists, cache, expected):
    assert check_assets.acmr(lists, cache) == pytest.approx(expected)


def test_acmr_with_a_cache_larger_than_the_mesh():
    """Property: with a cache larger than the mesh, every vertex misses exactly once."""
    rng = np.random.default_rng(3)
    mesh = rng.integers(0, 12, size=(40, 3)).astype(np.uint16)
    assert check_assets.acmr([mesh], 64) == len(np.unique(mesh)) / 40


def run_script(*args):
    env = dict(os.environ, PYTHONDONTWRITEBYTECODE="1")
    return subprocess.run([sys.executable, str(SCRIPT), *map(str, args)], capture_output=True,
                          text=True, check=False, env=env)


def test_script_on_the_examples(tmp_path):
    run = run_script(SOURCE_DIR / "examples", "--out", tmp_path, "--jobs", "2")
    assert run.returncode == 0, run.stderr
    lines = run.stdout.splitlines()
    assert lines[0].split() == ["asset", "chunks", "triangles", "vertices", "bones", "ACMR",
                                "findings"]
    assert [line.split()[0] for line in lines[1:]] == [p.stem for p in EXAMPLES]
    assert all(line.split()[-1] == "0" for line in lines[1:])


def test_script_fails_on_a_broken_file(tmp_path):
    (tmp_path / "good.xml").write_text(scene_xml(random_triangles(4, 10)))
    (tmp_path / "bad.xml").write_text("<vantokImport>")
    run = run_script(tmp_path)
    assert run.returncode == 1
    assert run.stderr.startswith(f"error: {tmp_path / 'bad.xml'}: ")
    rows = {line.split()[0]: line for line in run.stdout.splitlines()[1:]}
    assert rows["bad"].split()[1:] == ["conversion", "failed"]
    assert rows["good"].split()[1:3] == ["2", "10"]
