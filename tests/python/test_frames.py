"""Frames, channels and particle groups as the C++ loader gives them."""

import gc
import subprocess

import numpy as np
import pytest

import fumara
from conftest import program, synthesize


def ovrinfo_stats(path):
    """{(group or None, channel, component): (min, max, mean)} as ovrinfo -stats prints them."""
    text = subprocess.run([program("OVRINFO"), "-stats", path], check=True, capture_output=True, text=True).stdout
    stats, section, key = {}, None, None
    for line in text.splitlines():
        words = line.split()
        if line.startswith("  ") and not line.startswith("    "):
            section = " ".join(words[:2])
        elif section == "Grid channels" and words[0].isdigit() and numbers(words):
            stats[(None, int(words[0]), None)] = numbers(words)
        elif section == "Particle values" and numbers(words):
            if len(words) >= 8:
                key = (words[0], int(words[1]))
            stats[key + (words[-4],)] = numbers(words)
    return stats


def numbers(words):
    """The last three words as numbers (min, max, mean), or None."""
    try:
        return tuple(float(word) for word in words[-3:]) if len(words) >= 4 else None
    except ValueError:
        return None


def test_values_equal_the_cpp_readers(plume):
    path = fumara.frame_path(plume, 2)
    expected = ovrinfo_stats(path)
    with fumara.open(path) as frame:
        assert frame.resolution == (20, 20, 20)
        grid = {(None, number, None): frame.channel(number) for number in frame.channels.values()}
        group = frame.groups["plume"]
        assert set(group.channels) == {"position", "velocity", "id"} and len(group) == group.ids.shape[0]
        particles = {("plume", number, axis): group[number][:, i]
                     for number in (0, 1) for i, axis in enumerate("xyz")}
        particles[("plume", 10, "-")] = group.ids
        measured = {key: (a.min(), a.max(), a.mean(dtype=np.float64)) for key, a in {**grid, **particles}.items()}
    assert measured.keys() == expected.keys()
    for key, values in measured.items():
        assert values == pytest.approx(expected[key], rel=1e-5, abs=1e-9), key
    assert group.find(int(group.ids[7])) == 7 and group.find(-5) is None


def test_arrays_share_the_loaders_memory_and_outlive_the_frame(plume, tmp_path):
    frame = fumara.open(fumara.frame_path(plume, 1))
    smoke, again = frame["smoke"], frame.channel(2)
    group = frame.groups["plume"]
    positions = group.positions
    assert smoke.ctypes.data == again.ctypes.data
    assert positions.ctypes.data == frame.groups["plume"]["position"].ctypes.data
    assert smoke.shape == frame.resolution[::-1] and smoke.dtype == np.float32 and positions.shape == (len(group), 3)
    for array in (smoke, positions):
        assert not array.flags.writeable and not array.flags.owndata
    with pytest.raises(ValueError):
        smoke[0, 0, 0] = 1
    copies = smoke.copy(), positions.copy()
    with frame:
        pass
    with pytest.raises(ValueError, match="closed"):
        frame.resolution
    del frame, again, group
    gc.collect()
    fumara.open(fumara.frame_path(plume, 3))["smoke"]  # reuses whatever memory was given back
    np.testing.assert_array_equal(smoke, copies[0])
    np.testing.assert_array_equal(positions, copies[1])


def test_transforms_invert_each_other(plume):
    frame = fumara.open(fumara.frame_path(plume, 1))
    index = np.array([3.0, 5.0, 7.0, 1.0])
    world = index @ frame.index_to_world
    assert frame.index_to_world[:, 3] == pytest.approx([0, 0, 0, 1])
    assert frame.transform @ world == pytest.approx(index[:3], abs=1e-5)


def test_missing_channels_and_header_only_frames(plume):
    frame = fumara.open(fumara.frame_path(plume, 1), header_only=True)
    assert frame.channels == fumara.open(fumara.frame_path(plume, 1)).channels
    for key in ("wavelet_u", 40, "Smoke"):
        with pytest.raises(KeyError):
            frame[key]
    assert "smoke" in frame and "wavelet_u" not in frame
    with pytest.raises(ValueError, match="header_only"):
        frame["smoke"]


def broken_copy(cut):
    def make(directory, good):
        path = directory / "broken.ovr"
        path.write_bytes(cut(good))
        return path
    return make


@pytest.mark.parametrize("make, code, reason", [
    (lambda directory, good: directory / "absent.ovr", 3, "no such file"),
    (lambda directory, good: directory / "frame.txt", 3, 'unknown file extension "txt"'),
    (broken_copy(lambda good: good[:-30]), 12, "Failed reading the ovra2 file footer"),
    (broken_copy(lambda good: good[:40] + good[-40:]), 4, "ImportOvr broken file. File is:"),
])
def test_frames_that_do_not_load_raise_the_loaders_code_and_reason(plume, tmp_path, make, code, reason):
    good = open(fumara.frame_path(plume, 2), "rb").read()
    path = str(make(tmp_path, good))
    with pytest.raises(fumara.LoadError) as caught:
        fumara.open(path)
    assert (caught.value.code, caught.value.path) == (code, path)
    assert reason in caught.value.reason


def test_sequence_lists_frames_in_order_and_opens_them_lazily(tmp_path):
    pattern = synthesize(tmp_path, frames=3, res=8, start=9)
    (tmp_path / "plume_0010.ovr").write_bytes(b"OVRA")
    (tmp_path / "plume_0001.txt").write_bytes(b"")
    sequence = fumara.sequence(pattern)
    assert sequence.frames == [9, 10, 11]
    assert sequence.paths == [fumara.frame_path(pattern, n) for n in (9, 10, 11)]
    assert sequence.open(11).path == sequence.paths[2]
    with pytest.raises(fumara.LoadError):
        list(sequence)
