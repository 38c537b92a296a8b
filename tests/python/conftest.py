"""Shared set-up of the fumara tests: the project's programs (paths from ctest) and sample frames."""

import os
import subprocess

import pytest


def program(name):
    path = os.environ.get(name)
    assert path, f"{name} is not set (ctest sets it to the built program)"
    return path


def synthesize(directory, frames=3, res=20, start=1, name="plume_####.ovr"):
    """Sample frames written by ovrsynth; returns the pattern."""
    directory.mkdir(parents=True, exist_ok=True)
    pattern = str(directory / name)
    subprocess.run([program("OVRSYNTH"), "-res", str(res), "-frames", str(frames), "-start", str(start),
                    "-particles", "40", "-out", pattern, "-quiet"], check=True)
    return pattern


@pytest.fixture(scope="session")
def plume(tmp_path_factory):
    return synthesize(tmp_path_factory.mktemp("plume"))
