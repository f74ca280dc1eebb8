#!/usr/bin/env python3
"""Converts a folder of interchange files on all cores and checks what was written.

    python3 examples/python/check_assets.py FOLDER [--out OUT] [--jobs N]

Every FOLDER/*.xml is converted into OUT/<asset>/ (default OUT: FOLDER/converted), several
files at once. Then every .im is read and a table is printed: asset, chunks, triangles,
vertices, bones, the ACMR (vertices transformed per triangle) for a 16-entry FIFO vertex cache,
the cache the converter orders triangles for, and the findings of vantok.validate over the
asset's .im and .kin files. Exits with 1 when any conversion failed or any file has an error.
"""

import argparse
import os
import sys
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

import vantok

CACHE_SIZE = 16


def acmr(triangle_lists, cache_size=CACHE_SIZE):
    """Average cache miss ratio: vertices transformed per triangle when each list of triangles
    (T x 3 indices) is drawn through a FIFO cache of `cache_size` entries, empty at the start
    of each list. A hit does not move an entry; a miss pushes out the oldest."""
    misses = triangles = 0
    for tris in triangle_lists:
        cache = []
        for index in (int(i) for i in tris.reshape(-1)):
            if index not in cache:
                misses += 1
                cache.append(index)
                if len(cache) > cache_size:
                    cache.pop(0)
        triangles += len(tris)
    return misses / triangles if triangles else 0.0


def convert(xml, out):
    """Converts one file (one thread inside; the files run side by side). None or the error."""
    folder = out / xml.stem
    folder.mkdir(parents=True, exist_ok=True)
    try:
        vantok.convert(xml, folder / xml.stem, threads=1)
        return None
    except vantok.Error as error:
        return error


def check(xml, out):
    """The table row of one converted asset, and whether it has an error."""
    folder = out / xml.stem
    try:
        mesh = vantok.read_im(folder / f"{xml.stem}.im")
    except vantok.Error as error:
        return [xml.stem, f"error: {error}"], True
    findings = [f for path in sorted(folder.glob("*.*")) if path.suffix in (".im", ".kin")
                for f in vantok.validate(path)]
    row = [xml.stem, len(mesh.chunks), mesh.triangle_count, mesh.vertex_count,
           len(mesh.bones), f"{acmr(c.triangles for c in mesh.chunks):.3f}", len(findings)]
    return row, any(f.severity == "error" for f in findings)


def print_table(rows):
    header = ["asset", "chunks", "triangles", "vertices", "bones", "ACMR", "findings"]
    width = max(len(header[0]), *(len(str(r[0])) for r in rows))
    print(f"{header[0]:<{width}}" + "".join(f"{h:>11}" for h in header[1:]))
    for row in rows:
        print(f"{row[0]:<{width}}" + "".join(f"{str(v):>11}" for v in row[1:]))


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("folder", type=Path, help="folder of interchange (.xml) files")
    parser.add_argument("--out", type=Path, help="output folder (default: FOLDER/converted)")
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 1,
                        help="files converted at once (default: every core)")
    args = parser.parse_args(argv)
    inputs = sorted(args.folder.glob("*.xml"))
    if not inputs:
        print(f"error: {args.folder}: no .xml files", file=sys.stderr)
        return 1
    out = args.out or args.folder / "converted"
    # vantok.convert releases the interpreter lock, so threads convert in parallel
    with ThreadPoolExecutor(max_workers=max(1, args.jobs)) as pool:
        failures = list(pool.map(lambda xml: convert(xml, out), inputs))
    rows, failed = [], False
    for xml, failure in zip(inputs, failures):
        if failure is not None:
            print(f"error: {xml}: {failure}", file=sys.stderr)
            rows.append([xml.stem, "conversion failed"])
            failed = True
            continue
        row, error = check(xml, out)
        rows.append(row)
        failed = failed or error
    print_table(rows)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
