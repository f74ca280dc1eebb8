"""Convert, read and check Vantok assets from Python.

The functions of this package run the converter and the dump tools in-process:

- ``convert`` turns an XML interchange file into ``.im``, ``.texture.txt`` and ``.kin`` files;
- ``read_im``, ``read_kin`` and ``read_pm`` read those files into records with NumPy arrays;
- ``validate`` lists what ``vantok-dump --validate`` finds; ``export_gltf`` writes a ``.glb``;
- ``import_model`` writes the interchange file of any model assimp reads (``vantok-import``).

Failures raise ``vantok.Error``: ``UnreadableError`` (a file that cannot be read),
``DamagedError`` (a file whose chunk framing is broken) and ``ConversionError`` (a conversion
or import that failed). The message is the line the programs print after ``error:``. Damage
inside well-framed chunks (an index out of range, weights that do not sum to 1) is read as it
is and reported by ``validate``.
"""

from __future__ import annotations

import os
from dataclasses import dataclass, field
from typing import Any, Iterable, List, Optional, Sequence, Tuple, Union

import numpy as np

from . import _vantok

PathLike = Union[str, "os.PathLike[str]"]
Vector3 = Tuple[float, float, float]

__all__ = [
    "Error", "UnreadableError", "DamagedError", "ConversionError",
    "ConvertResult", "ImportResult", "Mesh", "Chunk", "Material", "MaterialMap", "Bone",
    "Attachment", "Animation", "Event", "PmInfo", "PmChunk", "Finding",
    "convert", "read_im", "read_kin", "read_pm", "validate", "export_gltf", "import_model",
]

# ----------------------------------------------------------------------------------------------
# Errors


class Error(Exception):
    """A failure of this package; ``str(error)`` is the line the programs print.

    Attributes: ``path`` (the file concerned), ``chunk`` (such as ``"CHNK 0 GEOM"``, empty for
    the file as a whole), ``offset`` (in the file) and ``message`` (without path and offset).
    """

    def __init__(self, text: str, path: str = "", chunk: str = "", offset: int = 0,
                 message: str = "") -> None:
        super().__init__(text)
        self.path = path
        self.chunk = chunk
        self.offset = offset
        self.message = message or text


class UnreadableError(Error):
    """The file cannot be read: missing, a folder, or no permission."""


class DamagedError(Error):
    """The file's chunk framing is broken (sizes that do not fit, a truncated file)."""


class ConversionError(Error):
    """A conversion or an import failed; ``result`` holds what the run gave."""

    def __init__(self, text: str, result: Any = None, **fields: Any) -> None:
        super().__init__(text, **fields)
        self.result = result


_ERRORS = {"unreadable": UnreadableError, "damaged": DamagedError, "failed": ConversionError}


def _checked(values: Any) -> Any:
    """Raises the error a native call returned; passes anything else through."""
    if isinstance(values, dict) and "error" in values:
        e = values["error"]
        kind = _ERRORS.get(e["kind"], Error)
        raise kind(e["text"], path=e["path"], chunk=e["chunk"], offset=e["offset"],
                   message=e["message"])
    return values


def _path(path: Any) -> str:
    return os.fspath(getattr(path, "path", path))


# ----------------------------------------------------------------------------------------------
# Records


@dataclass(frozen=True)
class ConvertResult:
    """What a conversion gave: counts, the console lines (closing summary aside), files."""

    success: bool
    error_count: int
    warning_count: int
    lines: List[str]
    files_written: List[str]


@dataclass(frozen=True)
class ImportResult:
    """What an import gave: the interchange file, the summary line and the warnings."""

    output: str
    lines: List[str]
    warnings: List[str]


@dataclass(frozen=True)
class MaterialMap:
    """A texture map of a material: slot number and name, texture descriptor, amount."""

    slot: int
    slot_name: str
    file_name: str
    amount: float


@dataclass(frozen=True)
class Material:
    """A chunk's material: reference name, name/value pairs, colours, maps."""

    name: str
    pairs: List[Tuple[str, str]]
    two_sided: bool
    opacity: float
    ambient: Vector3
    diffuse: Vector3
    specular: Vector3
    emissive: Vector3
    shine: float
    maps: List[MaterialMap]


@dataclass(frozen=True, repr=False)
class Chunk:
    """One chunk of an indexed mesh: its material and its arrays.

    ``positions``, ``normals`` (V x 3 float32), ``texcoords`` (V x 2), ``tangents`` (V x 3, or
    None without tangents), ``triangles`` (T x 3 uint16), ``face_normals`` (T x 3). Skinning:
    ``palette`` names the bones that weight the chunk; ``bone_indices`` (V x K int32, -1 where
    unused) index it and ``bone_weights`` (V x K float32) weight them, K being the most
    weights any vertex of the chunk has.
    """

    index: int
    material: Material
    positions: np.ndarray
    texcoords: np.ndarray
    normals: np.ndarray
    tangents: Optional[np.ndarray]
    triangles: np.ndarray
    face_normals: np.ndarray
    palette: List[str]
    bone_indices: np.ndarray
    bone_weights: np.ndarray

    def __repr__(self) -> str:
        return (f"Chunk({self.index}, material={self.material.name!r}, "
                f"vertices={len(self.positions)}, triangles={len(self.triangles)}, "
                f"bones={len(self.palette)})")


@dataclass(frozen=True, repr=False)
class Bone:
    """A bone of the mesh's influences: name, parent name, position and 3 x 3 matrix."""

    name: str
    parent: str
    position: Vector3
    matrix: np.ndarray

    def __repr__(self) -> str:
        return f"Bone({self.name!r}, parent={self.parent!r})"


@dataclass(frozen=True, repr=False)
class Attachment:
    """An attachment point: name, position and 3 x 3 orientation matrix."""

    name: str
    position: Vector3
    matrix: np.ndarray

    def __repr__(self) -> str:
        return f"Attachment({self.name!r}, position={self.position})"


@dataclass(frozen=True, repr=False)
class Mesh:
    """An ``.im`` file: bounding box, chunks, bones (the palette's source) and attachments."""

    path: str
    box_min: Vector3
    box_max: Vector3
    influences_per_vertex: int
    bones_per_chunk: int
    chunks: List[Chunk]
    bones: List[Bone]
    attachments: List[Attachment]

    @property
    def vertex_count(self) -> int:
        return sum(len(c.positions) for c in self.chunks)

    @property
    def triangle_count(self) -> int:
        return sum(len(c.triangles) for c in self.chunks)

    def __repr__(self) -> str:
        return (f"Mesh({self.path!r}, chunks={len(self.chunks)}, vertices={self.vertex_count}, "
                f"triangles={self.triangle_count}, bones={len(self.bones)}, "
                f"attachments={len(self.attachments)})")


@dataclass(frozen=True)
class Event:
    """An animation event: frame, type number and name, event name."""

    frame: int
    type: int
    type_name: str
    name: str


@dataclass(frozen=True, repr=False)
class Animation:
    """A ``.kin`` file.

    ``frames`` is a frames x bones x 7 float32 array: per bone (in ``bone_names`` order, the
    skeleton's pre-order) the model-space position x, y, z and the stored rotation x, y, z, w
    (the conjugate of the model-space rotation). ``bone_parents`` holds each bone's parent
    index, -1 for the root. Rows of a frame that holds too few bones are NaN.
    """

    path: str
    name: str
    frame_rate: int
    frame_count: int
    bone_names: List[str]
    bone_parents: List[int]
    frames: np.ndarray
    events: List[Event]

    def __repr__(self) -> str:
        return (f"Animation({self.name!r}, frames={len(self.frames)}, "
                f"bones={len(self.bone_names)}, frame_rate={self.frame_rate})")


@dataclass(frozen=True)
class PmChunk:
    """A chunk of the file: id, header offset, payload size and depth below the form."""

    id: str
    offset: int
    size: int
    depth: int


@dataclass(frozen=True)
class PmInfo:
    """A ``.pm`` file: its length, every chunk, and the chunks trimming would remove."""

    path: str
    length: int
    chunks: List[PmChunk]
    removed: List[PmChunk]


@dataclass(frozen=True)
class Finding:
    """One finding of ``validate``; ``str(finding)`` is the line ``vantok-dump`` prints."""

    severity: str  # "error" or "warning"
    chunk: str
    offset: int
    message: str
    text: str = field(repr=False)

    def __str__(self) -> str:
        return self.text


def _material(d: dict) -> Material:
    return Material(**{**d, "maps": [MaterialMap(**m) for m in d["maps"]]})


def _mesh(d: dict) -> Mesh:
    chunks = [Chunk(**{**c, "material": _material(c["material"])}) for c in d["chunks"]]
    return Mesh(**{**d, "chunks": chunks, "bones": [Bone(**b) for b in d["bones"]],
                   "attachments": [Attachment(**a) for a in d["attachments"]]})


# ----------------------------------------------------------------------------------------------
# Functions


def convert(in_file: PathLike, out_file: Optional[PathLike] = None, *, output_im: bool = True,
            output_kin: bool = True, threads: Optional[int] = None,
            reference_name_seed: Optional[int] = None) -> ConvertResult:
    """Converts an interchange file as ``VantokMeshImporter`` does, in this process.

    ``out_file`` names the outputs (its extension is ignored; default: the input path without
    its extension). ``output_im`` / ``output_kin`` switch the ``.im`` and ``.kin`` files;
    ``threads`` caps the threads of the per-chunk work (None: every hardware thread). The
    outputs are those of the program, byte for byte; material reference names carry a random
    hexadecimal part, which ``reference_name_seed`` (0 to 2**32 - 1) fixes for reproducible
    files. The interpreter lock is released while the conversion runs, so several Python
    threads can convert at once (to different outputs).

    Returns a ConvertResult; raises ConversionError (with ``result``) when the conversion fails.
    """
    if threads is not None and threads < 1:
        raise ValueError("convert: threads must be 1 or more")
    out = "" if out_file is None else os.fspath(out_file)
    if reference_name_seed is not None and not 0 <= reference_name_seed < 2**32:
        raise ValueError("convert: reference_name_seed must be 0 to 2**32 - 1")
    r = _vantok.convert(os.fspath(in_file), out, output_im, output_kin, threads or 0,
                        reference_name_seed)
    result = ConvertResult(**r)
    if not result.success:
        errors = [line for line in result.lines if line.startswith("Error: ")]
        text = "; ".join(line[len("Error: "):] for line in errors) or "the conversion failed"
        raise ConversionError(text, result=result, path=os.fspath(in_file))
    return result


def read_im(path: PathLike) -> Mesh:
    """Reads an ``.im`` file into a Mesh (arrays as in ``vantok-dump --json --all``).

    The Mesh holds the bounding box (``box_min``, ``box_max``), ``bones`` (name, parent, bind
    position and matrix), ``attachments`` and ``chunks``; each Chunk its ``material`` and the
    arrays ``positions``, ``normals``, ``texcoords``, ``tangents`` (or None), ``triangles``
    (uint16 rows), ``face_normals``, and the skinning as ``palette``, ``bone_indices`` and
    ``bone_weights`` (see ``help(vantok.Chunk)``).

    Raises UnreadableError when the file cannot be read, DamagedError when its chunk framing is
    broken, Error when it is no indexed mesh.
    """
    return _mesh(_checked(_vantok.read_im(os.fspath(path))))


def read_kin(path: PathLike) -> Animation:
    """Reads a ``.kin`` file into an Animation; raises as read_im does."""
    d = _checked(_vantok.read_kin(os.fspath(path)))
    return Animation(**{**d, "events": [Event(**e) for e in d["events"]]})


def read_pm(path: PathLike) -> PmInfo:
    """Reads a progressive mesh by the rules of trimming (whatever its name): every chunk, and
    the NINF and PMIN chunks ``pmtrim`` would remove. Raises as read_im does."""
    d = _checked(_vantok.read_pm(os.fspath(path)))
    return PmInfo(d["path"], d["length"], [PmChunk(**c) for c in d["chunks"]],
                  [PmChunk(**c) for c in d["removed"]])


def validate(path: PathLike) -> List[Finding]:
    """Checks an ``.im``, ``.kin`` or ``.pm`` file as ``vantok-dump --validate`` does.

    Returns every finding (an empty list for a valid file); broken framing is one error finding.
    Raises UnreadableError when the file cannot be read.
    """
    return [Finding(**f) for f in _checked(_vantok.validate(os.fspath(path)))]


def export_gltf(im: Union[PathLike, Mesh], out: PathLike,
                kins: Iterable[Union[PathLike, Animation]] = ()) -> List[str]:
    """Writes the mesh (and the animations) as one glTF 2.0 binary, as ``vantok-dump --gltf``.

    ``im`` and each of ``kins`` are paths or records read from them. Returns the warnings on
    what glTF required to be repaired. Raises as read_im does, and Error when writing fails.
    """
    result = _vantok.export_gltf(_path(im), os.fspath(out), [_path(k) for k in kins])
    if isinstance(result, dict):
        e = result["error"]
        if e["kind"] == "failed":
            raise Error(e["text"], path=e["path"], message=e["message"])
    return list(_checked(result))


def import_model(path: PathLike, out_xml: Optional[PathLike] = None, **options: Any
                 ) -> ImportResult:
    """Writes the interchange file of a model assimp reads, as ``vantok-import`` does.

    Options as the command line's: ``fps`` (30), ``frames`` ("global" or "local"),
    ``orientation`` ("quaternion", "matrix", "axisangle"), ``tbump`` ("auto", "all", "none"),
    ``attachment_prefix`` ("a."), ``max_weights`` (1 to 4, default 4). ``out_xml`` defaults to
    the model's path ending in ``.xml``. Raises UnreadableError when the model does not exist,
    ConversionError when the import fails (assimp cannot read it, the output cannot be
    written), Error when this build has no importer.
    """
    out = "" if out_xml is None else os.fspath(out_xml)
    d = _vantok.import_model(os.fspath(path), out, **options)
    if "error" in d:
        raise Error(d["error"]["text"])
    warnings = [line[len("warning: "):] for line in d["diagnostics"]
                if line.startswith("warning: ")]
    if d["status"] != 0:
        errors = [line[len("error: "):] for line in d["diagnostics"]
                  if line.startswith("error: ")]
        text = "; ".join(errors) or "the import failed"
        if text.startswith(os.fspath(path) + ": "):
            # "MODEL: is a directory" or the system's reason for a failed open
            raise UnreadableError(text, path=os.fspath(path))
        raise ConversionError(text, result=ImportResult(d["output"], d["lines"], warnings),
                              path=os.fspath(path))
    return ImportResult(d["output"], d["lines"], warnings)
