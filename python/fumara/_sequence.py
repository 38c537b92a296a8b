"""Frame-numbered sequences of cache files."""

from . import _fumara


class Sequence:
    """The frame files of a pattern on disk, in frame order. Frames are opened only when asked
    for, one ``fumara.open`` each: iterate to get them one after another, index to get one."""

    def __init__(self, pattern, **open_options):
        self.pattern = str(pattern)
        self._files = _fumara.frame_files(pattern)
        self._open_options = open_options

    @property
    def frames(self):
        """The frame numbers, ascending."""
        return [frame for frame, _ in self._files]

    @property
    def paths(self):
        """The file paths, in frame order."""
        return [path for _, path in self._files]

    def __len__(self):
        return len(self._files)

    def __getitem__(self, index):
        """The frame at that position (not frame number) of the sequence, opened."""
        return _fumara.open(self._files[index][1], **self._open_options)

    def __iter__(self):
        for _, path in self._files:
            yield _fumara.open(path, **self._open_options)

    def open(self, frame):
        """The frame with that frame number, opened; KeyError when the sequence has none."""
        for number, path in self._files:
            if number == frame:
                return _fumara.open(path, **self._open_options)
        raise KeyError(frame)

    def __repr__(self):
        return f"<fumara.Sequence {self.pattern}: {len(self)} frames>"


def sequence(pattern, **open_options):
    """The frames of a frame-numbered pattern on disk (``"fire_####.ovr"``, ``"fire_%04d.ovr"``,
    ``"fire_<frame04>.ovr"``), in frame order, opened lazily with ``open_options`` (those of
    ``fumara.open``). ValueError when the pattern has no frame-number placeholder."""
    return Sequence(pattern, **open_options)
