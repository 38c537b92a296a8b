"""convert_frame, and the Dask conversion command against a serial cacheconv run."""

import os
import re
import subprocess
import sys
import time

import numpy as np
import psutil
import pyopenvdb as vdb
import pytest

import fumara
import fumara.farm
from conftest import program, synthesize

GRID_KEYS = {"Smoke_fmr": "smoke", "Temperature_fmr": "temperature", "Fuel_fmr": "fuel",
             **{f"Velocity{a}_fmr": f"velocity_{a.lower()}" for a in "XYZ"},
             **{f"Color{c}_fmr": f"color_{c.lower()}" for c in "RGB"}}


def active_values(grid):
    low, high = grid.evalActiveVoxelBoundingBox()
    values = np.zeros(np.subtract(high, low) + 1, np.float32)
    grid.copyToArray(values, ijk=low)
    return low, values


def test_convert_frame_writes_the_frames_grids(plume, tmp_path):
    source, destination = fumara.frame_path(plume, 2), tmp_path / "plume.vdb"
    fumara.convert_frame(source, destination)
    grids, metadata = vdb.readAll(str(destination))
    assert metadata["FumaraVDBVer"] == 0 and {grid.name for grid in grids} == set(GRID_KEYS)
    with fumara.open(source) as frame:
        for grid in grids:
            low, values = active_values(grid)
            assert low == (0, 0, 0)
            np.testing.assert_array_equal(values.transpose(2, 1, 0), frame[GRID_KEYS[grid.name]])
        world = (np.array([3, 5, 7, 1]) @ frame.index_to_world)[:3]
        assert grids[0].transform.indexToWorld((3, 5, 7)) == pytest.approx(world)


@pytest.mark.parametrize("source, destination, options, error, code", [
    ("absent.ovr", "out.vdb", {}, fumara.LoadError, 3),
    (None, "no/such/folder/out.vdb", {}, fumara.ConvertError, 2),
    (None, "out.vdb", {"layout": "maya"}, ValueError, None),
    (None, "out.vdb", {"layout": "houdini", "sparse": True, "half": True}, None, None),
])
def test_convert_frame_options_and_failures(plume, tmp_path, source, destination, options, error, code):
    source = str(tmp_path / source) if source else fumara.frame_path(plume, 1)
    destination = tmp_path / destination
    if error is None:
        fumara.convert_frame(source, destination, **options)
        assert vdb.readAll(str(destination))[0]
        return
    with pytest.raises(error) as caught:
        fumara.convert_frame(source, destination, **options)
    assert getattr(caught.value, "code", None) == code and not destination.exists()


def kill_a_worker_once_a_frame_is_written(command, folder):
    while not any(name.endswith(".vdb") for name in os.listdir(folder)) and command.poll() is None:
        time.sleep(0.01)
    workers = [child for child in psutil.Process(command.pid).children()
               if "spawn_main" in " ".join(child.cmdline())]
    workers[0].kill()


def assert_same_grids(path, expected_path):
    (grids, metadata), (expected, expected_metadata) = vdb.readAll(path), vdb.readAll(expected_path)
    assert metadata == expected_metadata
    assert [grid.name for grid in grids] == [grid.name for grid in expected]
    for grid, twin in zip(grids, expected):
        assert (grid.valueTypeName, grid.transform.info(), grid.metadata) == \
            (twin.valueTypeName, twin.transform.info(), twin.metadata)
        (low, values), (twin_low, twin_values) = active_values(grid), active_values(twin)
        assert low == twin_low
        np.testing.assert_array_equal(values, twin_values)


def test_dask_run_survives_a_killed_worker_and_matches_serial_cacheconv(tmp_path):
    source = synthesize(tmp_path / "cache", frames=10, res=40, name="f_####.ovr")
    with open(fumara.frame_path(source, 4), "r+b") as broken:
        broken.truncate(100)
    serial, farm = tmp_path / "serial", tmp_path / "farm"
    serial.mkdir(), farm.mkdir()
    subprocess.run([program("CACHECONV"), "-srcfile", source, "-dstfile", str(serial / "f_####.vdb"),
                    "-start", "1", "-end", "10", "-silent"], check=True, capture_output=True)
    command = subprocess.Popen([sys.executable, "-m", "fumara", "convert", source, str(farm / "f_####.vdb"),
                                "--start", "1", "--end", "10", "--workers", "2"],
                               stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    kill_a_worker_once_a_frame_is_written(command, farm)
    out, err = command.communicate(timeout=300)
    assert command.returncode == 1, out + err
    assert "Converted 9 of 10 frames" in out and "on 2 local workers" in out
    assert re.search(r"^1 frame failed:\n  4: cannot load \S*f_0004.ovr \(code 12\)", out, re.M), out
    written = sorted(name for name in os.listdir(farm) if name.endswith(".vdb"))
    assert written == sorted(os.listdir(serial)) == [f"f_{n:04d}.vdb" for n in range(1, 11) if n != 4]
    for name in written:
        assert_same_grids(str(farm / name), str(serial / name))


@pytest.mark.parametrize("frame_bytes, cores, available, workers", [
    (1 << 30, 8, 64 << 30, 8), (1 << 30, 8, 5 << 30, 4), (8 << 30, 8, 1 << 30, 1)])
def test_local_cluster_is_sized_by_cores_and_frame_memory(frame_bytes, cores, available, workers):
    assert fumara.farm.local_worker_count(frame_bytes, cores, available) == workers
