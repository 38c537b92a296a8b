"""frame["smoke"] against the C++ loader's getChannelData on a 256^3 frame: the decode of one channel
on the calling thread, each measured in a fresh process (the C++ side: bench_convert's "channel"
child; the Python side: a fresh interpreter), medians of five. The Python side should cost the
decode alone.
    usage: frame_access.py BUILD_DIR"""
import statistics
import subprocess
import sys
import tempfile

build = sys.argv[1]
PYTHON_SIDE = """
import sys, time, numpy, fumara  # numpy first: pybind11 imports it at the first array otherwise
with fumara.open(sys.argv[1]) as frame:
    start = time.perf_counter()
    frame["smoke"]
    print(time.perf_counter() - start)
"""

with tempfile.TemporaryDirectory() as folder:
    frame = folder + "/plume_0006.ovr"
    subprocess.run([build + "/tools/ovrsynth/ovrsynth", "-res", "256", "-frames", "1", "-start", "6", "-quiet",
                    "-out", folder + "/plume_####.ovr"], check=True)
    cpp, python = [], []
    for _ in range(5):
        cpp.append(float(subprocess.run([build + "/bench/convert/bench_convert", "--child", "channel", frame, "2"],
                                        check=True, capture_output=True, text=True).stdout))
        python.append(float(subprocess.run([sys.executable, "-c", PYTHON_SIDE, frame], check=True, capture_output=True,
                                           text=True, env={"PYTHONPATH": build + "/python"}).stdout))
    c, p = statistics.median(cpp), statistics.median(python)
    print(f"getChannelData (C++): {c * 1000:.1f} ms   frame['smoke'] (Python): {p * 1000:.1f} ms   ratio {p / c:.3f}")
