"""Fumara cache frames (.ovr) as numpy arrays, and their conversion to OpenVDB.

    import fumara
    with fumara.open("fire_0012.ovr") as frame:
        print(frame.resolution, frame.channels)
        smoke = frame["smoke"]          # read-only float32 (z, y, x), no copy

``python3 -m fumara convert SRC DST --start A --end B`` converts a sequence on Dask.
"""

from ._errors import ConvertError, FumaraError, LoadError
from ._fumara import Frame, ParticleGroup, convert_frame, frame_files, frame_path, open
from ._sequence import Sequence, sequence

# open is left out, so that "from fumara import *" does not hide the built-in open.
__all__ = [
    "ConvertError", "Frame", "FumaraError", "LoadError", "ParticleGroup", "Sequence",
    "convert_frame", "frame_files", "frame_path", "sequence",
]
