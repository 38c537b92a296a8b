"""Converting a frame sequence on Dask: one task per frame, each a ``convert_frame`` call.

Without a scheduler address the run starts a local cluster of worker processes on 127.0.0.1,
as many as the cores and the memory one frame needs allow. With one, the tasks go to that
scheduler and its workers (``dask-worker ADDRESS`` on each farm machine). A worker that dies
mid-frame loses nothing: the writer renames a file only when it is complete, and Dask runs the
task again elsewhere.
"""

import logging
import os
import sys
import time
import uuid

from ._errors import FumaraError
from ._fumara import convert_frame, frame_path, open as open_frame

# What a worker process takes before its first frame: interpreter, numpy, dask and this module.
WORKER_BASE_MEMORY = 256 << 20


def _convert_task(source, destination, layout, sparse, half):
    # Workers are one per core with one thread each: more threads per frame would only contend.
    convert_frame(source, destination, layout=layout, sparse=sparse, half=half, threads=1)


def _ready():
    """Runs on each worker before the first frame, so that the module is loaded there already."""
    return True


def frame_memory(source):
    """Bytes the conversion of the frame in ``source`` needs: the file's words, every channel it
    holds decoded, and a grid made from each."""
    with open_frame(source, header_only=True) as frame:
        x, y, z = frame.resolution
        channels = len(frame.channels)
    return os.path.getsize(source) + 2 * 4 * x * y * z * channels


def local_worker_count(memory_per_frame, cores=None, available=None):
    """Worker processes for a local cluster: one per core, fewer when the available memory does
    not hold a frame (and a worker's own needs) for each; at least one."""
    import psutil

    cores = cores or len(os.sched_getaffinity(0))
    available = psutil.virtual_memory().available if available is None else available
    return max(1, min(cores, available // (memory_per_frame + WORKER_BASE_MEMORY)))


def _first_frame_memory(sources):
    for source in sources:
        try:
            return frame_memory(source)
        except (FumaraError, OSError):
            continue
    return 0


def convert_on_client(client, jobs, layout="fumara", sparse=False, half=False, progress=None):
    """Runs one task per (frame, source, destination) of ``jobs`` on a Dask client. Returns the
    converted frame numbers and a dict of failed frame number -> reason. ``progress``: None shows
    a bar on a terminal only, True always, False never."""
    from distributed import as_completed
    from tqdm import tqdm

    run = uuid.uuid4().hex[:8]
    futures = {
        client.submit(_convert_task, source, destination, layout, sparse, half, key=f"convert-{frame}-{run}"): frame
        for frame, source, destination in jobs
    }
    converted, failed = [], {}
    with tqdm(total=len(futures), unit="frame", disable=None if progress is None else not progress) as bar:
        for future in as_completed(futures):
            frame = futures[future]
            if future.status == "finished":
                converted.append(frame)
            else:
                error = future.exception()
                failed[frame] = str(error) or type(error).__name__
            bar.update()
    return sorted(converted), dict(sorted(failed.items()))


def run(source, destination, start, end, layout="fumara", sparse=False, half=False, scheduler=None,
        workers=None, progress=None, out=sys.stdout):
    """Converts frames ``start`` to ``end`` of the ``source`` pattern to the ``destination``
    pattern, prints a summary and returns the exit status: 0 when every frame converted."""
    from distributed import Client, LocalCluster

    jobs = [(frame, frame_path(source, frame), frame_path(destination, frame)) for frame in range(start, end + 1)]
    if scheduler:
        cluster, where = None, f"the scheduler at {scheduler}"
        try:
            client = Client(scheduler)
        except OSError as error:
            print(f"Cannot reach the Dask scheduler at {scheduler}: {error}", file=out)
            return 1
    else:
        count = workers or local_worker_count(_first_frame_memory(source for _, source, _ in jobs))
        # Failed frames are reported in the summary, not also as worker warnings.
        cluster = LocalCluster(n_workers=count, threads_per_worker=1, processes=True, host="127.0.0.1",
                               dashboard_address=None, silence_logs=logging.ERROR)
        client, where = Client(cluster), f"{count} local worker{'s' if count != 1 else ''}"
    try:
        client.run(_ready)
        began = time.monotonic()
        converted, failed = convert_on_client(client, jobs, layout, sparse, half, progress)
        seconds = time.monotonic() - began
    finally:
        client.close()
        if cluster is not None:
            cluster.close()
    print(f"Converted {len(converted)} of {len(jobs)} frames in {seconds:.1f} s "
          f"({len(converted) / seconds:.2f} frames/s) on {where}.", file=out)
    if failed:
        print(f"{len(failed)} frame{'s' if len(failed) != 1 else ''} failed:", file=out)
        for frame, reason in failed.items():
            print(f"  {frame}: {' '.join(reason.split())}", file=out)
    return 0 if not failed else 1
