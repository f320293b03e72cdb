"""Fixtures of the xkiv tests: a private profile folder, the built module, and
rzcam-sim on a pseudo-terminal.

ctest passes the built files in XKIV_PYTHON_MODULE_DIR, XKIV_RZCAM_SIM and
XKIV_XKIVCTL; without them the files of build/ in the source tree are used.
"""
import os
import subprocess
import sys
import tempfile

import pytest

_SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
_BUILD = os.path.join(_SOURCE, "build")


def built(variable, *path):
    """A built file: from the environment variable, else from build/."""
    return os.environ.get(variable) or os.path.join(_BUILD, *path)


# The control's module reads the profile folder once, when the first camera
# is created: the user's own profile must never be touched, so the folders
# are set before xkiv is imported.
_HOME = tempfile.mkdtemp(prefix="xkiv-pytest-")
os.environ["XDG_CONFIG_HOME"] = os.path.join(_HOME, "config")
os.environ["XDG_DATA_HOME"] = os.path.join(_HOME, "data")
sys.path.insert(0, built("XKIV_PYTHON_MODULE_DIR", "python"))

import xkiv  # noqa: E402


class Simulator:
    """One rzcam-sim process; device is the link to its pseudo-terminal."""

    def __init__(self, folder, model, *options):
        self.model = model
        self.device = os.path.join(folder, "rzcam-" + model)
        self.process = subprocess.Popen(
            [built("XKIV_RZCAM_SIM", "sim", "rzcam-sim"), "--link", self.device,
             "--model", model, *options],
            stdout=subprocess.PIPE, text=True)
        # The banner ends once the device is served.
        for line in self.process.stdout:
            if line.startswith("Press Ctrl+C"):
                break
        else:
            raise RuntimeError("rzcam-sim ended: " + str(self.process.wait()))

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=60)
        self.process.stdout.close()


@pytest.fixture
def start_sim(tmp_path):
    """start_sim(model="RZ-130LX", *options) starts a simulator, stopped after the test."""
    started = []

    def start(model="RZ-130LX", *options):
        started.append(Simulator(str(tmp_path), model, *options))
        return started[-1]

    yield start
    for simulator in started:
        simulator.stop()


@pytest.fixture
def sim(start_sim):
    """An RZ-130LX simulator."""
    return start_sim()


@pytest.fixture
def camera(sim):
    """A camera connected to the RZ-130LX simulator, closed after the test."""
    with xkiv.Camera(device=sim.device) as cam:
        yield cam


@pytest.fixture
def xkivctl():
    """The built xkivctl program."""
    return built("XKIV_XKIVCTL", "tools", "xkivctl")


@pytest.fixture
def profile_file():
    """The profile the cameras of this test run write."""
    return os.path.join(os.environ["XDG_CONFIG_HOME"], "KIV", "XKivRZ150LX Control.ini")
