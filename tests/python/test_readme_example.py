"""The README's example script runs as shown against the simulator."""
import os
import re
import subprocess
import sys

README = os.path.join(os.path.dirname(__file__), "..", "..", "README.md")


def test_readme_example_runs(sim, tmp_path):
    with open(README) as readme:
        script = re.search(r"```python\n(.*?)```", readme.read(), re.S).group(1)
    saved = str(tmp_path / "line4.cam")
    script = script.replace("/tmp/rzcam-sim", sim.device).replace("/tmp/line4.cam", saved)
    environment = dict(os.environ, PYTHONPATH=os.path.dirname(__import__("xkiv").__file__))
    run = subprocess.run([sys.executable, "-c", script], env=environment, capture_output=True,
                         text=True, timeout=60)
    assert run.returncode == 0, run.stderr
    assert run.stdout.splitlines() == [
        "Camera: RZ-130LX firmware 22",
        "MasterGain is now 802",
        "LineRate from 2633 to 1347584",
        "TriggerMode is NO_SHUTTER",
        "Found on class 0 port 0 and saved " + saved,
    ]
    assert os.path.getsize(saved) > 0
