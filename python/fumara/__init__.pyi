"""Fumara cache frames (.ovr) as numpy arrays, and their conversion to OpenVDB."""

import os
from typing import Iterator, Literal, overload

import numpy as np
import numpy.typing as npt

_Path = str | os.PathLike[str]

class FumaraError(Exception):
    path: str
    code: int
    reason: str
    def __init__(self, path: str, code: int, reason: str) -> None: ...

class LoadError(FumaraError):
    """A frame that did not load: the loader's result ``code`` and the ``reason`` it logged."""

class ConvertError(FumaraError):
    """A converted frame that was not written: the writer's result ``code``."""

class ParticleGroup:
    """One named particle group of a frame; arrays share the loader's memory."""
    @property
    def name(self) -> str: ...
    def __len__(self) -> int: ...
    @property
    def channels(self) -> dict[str, int]: ...
    @overload
    def __getitem__(self, name: str) -> npt.NDArray[np.generic]: ...
    @overload
    def __getitem__(self, channel: int) -> npt.NDArray[np.generic]: ...
    def __contains__(self, key: str | int) -> bool: ...
    @property
    def positions(self) -> npt.NDArray[np.float32]:
        """float32 (n, 3), in voxel coordinates of the frame's grid."""
    @property
    def ids(self) -> npt.NDArray[np.int64]: ...
    def find(self, id: int) -> int | None:
        """The index of the particle with that id, or None."""

class Frame:
    """One loaded cache frame; a context manager."""
    @property
    def path(self) -> str: ...
    @property
    def closed(self) -> bool: ...
    @property
    def resolution(self) -> tuple[int, int, int]:
        """The voxel counts (x, y, z)."""
    @property
    def transform(self) -> npt.NDArray[np.float32]:
        """3x4 world-to-grid map: grid = M @ (x, y, z, 1)."""
    @property
    def index_to_world(self) -> npt.NDArray[np.float64]:
        """4x4 OpenVDB index-to-world matrix for row vectors: world = (i, j, k, 1) @ M."""
    @property
    def channels(self) -> dict[str, int]:
        """The grid channels the frame holds: name -> channel number."""
    @overload
    def __getitem__(self, name: str) -> npt.NDArray[np.float32]: ...
    @overload
    def __getitem__(self, channel: int) -> npt.NDArray[np.float32]: ...
    def channel(self, number: int) -> npt.NDArray[np.float32]:
        """Read-only float32 (z, y, x) array sharing the loader's memory; KeyError when absent."""
    def __contains__(self, key: str | int) -> bool: ...
    @property
    def groups(self) -> dict[str, ParticleGroup]: ...
    def close(self) -> None: ...
    def __enter__(self) -> Frame: ...
    def __exit__(self, *args: object) -> None: ...

def open(path: _Path, mappings: str | None = None, max_voxels: int | None = None,
         header_only: bool = False) -> Frame:
    """Loads a cache frame; raises LoadError with the loader's code and reason."""

def convert_frame(src: _Path, dst: _Path, layout: Literal["fumara", "houdini", "blender"] | str = "fumara",
                  sparse: bool = False, half: bool = False, threads: int = 0) -> None:
    """Writes one frame as an OpenVDB file with the converter's writer (interpreter lock released)."""

def frame_path(pattern: _Path, frame: int) -> str: ...
def frame_files(pattern: _Path) -> list[tuple[int, str]]: ...

class Sequence:
    """The frame files of a pattern on disk, in frame order, opened lazily."""
    pattern: str
    def __init__(self, pattern: _Path, *, mappings: str | None = ..., max_voxels: int | None = ...,
                 header_only: bool = ...) -> None: ...
    @property
    def frames(self) -> list[int]: ...
    @property
    def paths(self) -> list[str]: ...
    def __len__(self) -> int: ...
    def __getitem__(self, index: int) -> Frame: ...
    def __iter__(self) -> Iterator[Frame]: ...
    def open(self, frame: int) -> Frame: ...

def sequence(pattern: _Path, *, mappings: str | None = ..., max_voxels: int | None = ...,
             header_only: bool = ...) -> Sequence: ...
