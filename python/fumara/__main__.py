"""Command line: ``python3 -m fumara convert SRC_PATTERN DST_PATTERN --start A --end B``."""

import argparse
import sys

from . import farm
from ._errors import FumaraError
from ._fumara import convert_frame


def _layout_error(layout):
    """The message for a layout the writer does not know, or None. convert_frame checks the
    layout before it touches any file, so an empty source tells the two apart."""
    try:
        convert_frame("", "", layout=layout)
    except ValueError as error:
        return str(error)
    except FumaraError:
        return None
    return None


def parser():
    top = argparse.ArgumentParser(prog="python3 -m fumara", description="Fumara cache tools.")
    commands = top.add_subparsers(dest="command", required=True)
    convert = commands.add_parser(
        "convert", help="convert a frame sequence to OpenVDB files on Dask",
        description="Converts frames START to END of a cache sequence into OpenVDB files, one Dask task per "
                    "frame. Patterns hold a frame-number placeholder: ####, %%04d or <frame04>. Exit status: 0 "
                    "when every frame converted, 1 when any failed, 2 for a bad command line.")
    convert.add_argument("source", metavar="SRC_PATTERN", help="the cache frames, e.g. fire_####.ovr")
    convert.add_argument("destination", metavar="DST_PATTERN", help="the OpenVDB files, e.g. fire_####.vdb")
    convert.add_argument("--start", type=int, required=True, help="first frame number")
    convert.add_argument("--end", type=int, required=True, help="last frame number (inclusive)")
    convert.add_argument("--layout", default="fumara", help="grid layout: fumara (default), houdini or blender")
    convert.add_argument("--sparse", action="store_true", help="leave voxels equal to the background inactive")
    convert.add_argument("--half", action="store_true", help="save grids as 16-bit floats")
    convert.add_argument("--scheduler", metavar="ADDRESS",
                         help="an existing Dask scheduler (tcp://host:8786); without it a local cluster runs")
    convert.add_argument("--workers", type=int, metavar="N",
                         help="worker processes of the local cluster (default: by cores and frame memory)")
    return top


def main(argv=None):
    top = parser()
    options = top.parse_args(argv)
    if options.end < options.start:
        top.error("--end lies before --start")
    if options.workers is not None and options.workers < 1:
        top.error("--workers must be 1 or more")
    error = _layout_error(options.layout)
    if error:
        top.error(error)
    return farm.run(options.source, options.destination, options.start, options.end, options.layout,
                    options.sparse, options.half, options.scheduler, options.workers)


if __name__ == "__main__":
    sys.exit(main())
