#!/usr/bin/env python3
"""Times a Python loop of property sets through the xkiv module against the
simulator at real 9600-baud timing, beside the same sets through the
control's automation interface in C++ (control_set_bench).

Prints the wall time over the wire time of the bytes on the line (target
<= 1.05) and the module's CPU time per set over the C++ path's (target
<= 2), each the best of three rounds; exits with status 3 when a figure is
off target.

    PYTHONPATH=build/python /usr/bin/python3 bench/python_set_bench.py [BUILD] [SETS]
"""
import os
import subprocess
import sys
import tempfile
import time

build = sys.argv[1] if len(sys.argv) > 1 else "build"
sets = int(sys.argv[2]) if len(sys.argv) > 2 else 100
work = tempfile.mkdtemp(prefix="xkiv-python-bench-")
# A profile of its own: the user's is never touched.
os.environ["XDG_CONFIG_HOME"] = os.path.join(work, "config")
os.environ["XDG_DATA_HOME"] = os.path.join(work, "data")
sys.path.insert(0, os.path.join(build, "python"))
import xkiv  # noqa: E402


def c_path(device):
    """The C++ path's figures, by name."""
    out = subprocess.run([os.path.join(build, "bench", "control_set_bench"), device, str(sets)],
                         check=True, capture_output=True, text=True).stdout
    return {key: float(value.split()[0]) for key, value in
            (line.split(": ", 1) for line in out.splitlines())}


def python_loop(device):
    """Wall time and this process's CPU time of the loop."""
    with xkiv.Camera(device=device) as cam:
        wall, cpu = time.monotonic(), time.process_time()
        for i in range(sets):
            cam.MasterGain = 100 + i
        return time.monotonic() - wall, time.process_time() - cpu


device = os.path.join(work, "rzcam-sim")
sim = subprocess.Popen([os.path.join(build, "sim", "rzcam-sim"), "--baud-pace", "--link", device],
                       stdout=subprocess.PIPE, text=True)
try:
    for line in sim.stdout:
        if line.startswith("Press Ctrl+C"):
            break
    # The best of a few rounds of each: on a shared machine other work only adds.
    rounds = [(c_path(device), python_loop(device)) for _ in range(3)]
finally:
    sim.terminate()
    sim.wait()
reference = {key: min(r[0][key] for r in rounds) for key in rounds[0][0]}
wall = min(r[1][0] for r in rounds)
cpu = min(r[1][1] for r in rounds)
wire_ratio = wall / reference["wire time"]
cpu_ratio = (cpu / sets) / reference["CPU per set"]
print(f"{sets} MasterGain sets from Python against rzcam-sim --baud-pace")
print(f"  wire bytes / time at 9600 8N1: {int(reference['wire bytes'])} / {reference['wire time']:.3f} s")
print(f"  wall time:                     {wall:.3f} s")
print(f"  wall / wire time:              {wire_ratio:.3f} (target <= 1.05)")
print(f"  CPU per set, Python:           {cpu / sets * 1e6:.1f} us")
print(f"  CPU per set, C++ (InvokeByName): {reference['CPU per set'] * 1e6:.1f} us")
print(f"  Python / C++ CPU per set:      {cpu_ratio:.2f} (target <= 2)")
sys.exit(0 if wire_ratio <= 1.05 and cpu_ratio <= 2 else 3)
