"""usage: compare_with_linux.py WINE CACHECONV_EXE LINUX_CACHECONV FOLDER (holding cacheconv_000[12].ovr)
Both cacheconvs convert the frames in a folder named beyond the ANSI code page; Linux OpenVDB must
read the same grids from both files: names, types, metadata, transforms, active voxels, values.
Then both run the same command lines there and must print the same (line ends aside) and exit alike."""
import os
import shutil
import subprocess
import sys
import tempfile

import numpy as np
import pyopenvdb as vdb


def grids(path):
    facts = []
    for grid in vdb.readAll(path)[0]:
        low, high = grid.evalActiveVoxelBoundingBox()  # the frames are dense: never empty
        vector = (3,) if grid.valueTypeName.startswith("vec3") else ()
        values = np.zeros(tuple(h - l + 1 for l, h in zip(low, high)) + vector, np.float32)
        grid.copyToArray(values, ijk=low)
        facts.append((grid.name, grid.valueTypeName, grid.gridClass, dict(grid.metadata), grid.activeVoxelCount(),
                      grid.transform.indexToWorld((1, 2, 3)), values.tolist()))
    return facts


def convert(command, folder, name, *extra):
    subprocess.run(command + ["-srcfile", folder + "cacheconv_####.ovr", "-dstfile", folder + name + "_####.vdb",
                              "-start", "1", "-end", "2", "-silent", *extra], check=True)


wine, cacheconv_exe, linux_cacheconv, folder = sys.argv[1:5]
with tempfile.TemporaryDirectory() as scratch:
    unicode_folder = os.path.join(scratch, "plume \u20ac\u00fc")
    os.mkdir(unicode_folder)
    for name in ("cacheconv_0001.ovr", "cacheconv_0002.ovr"):
        shutil.copy(os.path.join(folder, name), unicode_folder)
    convert([linux_cacheconv], unicode_folder + "/", "linux")
    # Wine's drive Z: is the root folder.
    convert([wine, cacheconv_exe], "Z:" + unicode_folder.replace("/", "\\") + "\\", "windows", "-threads", "2")
    for frame in ("0001", "0002"):
        windows, linux = (grids("%s/%s_%s.vdb" % (unicode_folder, side, frame)) for side in ("windows", "linux"))
        assert windows == linux != [], frame

    # Transcripts: screens, bad options, a range with a missing frame, serial and in flight.
    frames = ["-srcfile", "cacheconv_####.ovr", "-dstfile", "t_####.vdb", "-start", "1", "-end", "3"]
    for args in (["-help"], ["-options"], ["-layout", "maya"], ["-half", "-half"], frames, frames + ["-threads", "0"]):
        runs = [subprocess.run(command + args, cwd=unicode_folder, capture_output=True)
                for command in ([linux_cacheconv], [wine, cacheconv_exe])]
        linux, windows = ((r.returncode, r.stdout.replace(b"\r\n", b"\n")) for r in runs)
        assert windows == linux, (args, windows, linux)
