"""Closing writes the profile; a profile that cannot be written is never silent; closing from
a callback or another thread during a call is safe, and an unclosed camera still writes its
profile."""
import gc
import os
import shutil
import subprocess
import sys
import threading
import time

import pytest

import xkiv


def test_close_writes_the_profile(profile_file):
    cam = xkiv.Camera(offline=True)
    cam.MasterGain = 123
    cam.close()
    cam.close()
    assert cam.closed
    with open(profile_file) as profile:
        assert "=123" in profile.read()
    with pytest.raises(ValueError, match="closed"):
        cam.MasterGain


@pytest.fixture
def unwritable_profile(profile_file):
    xkiv.Camera(offline=True).close()
    os.replace(profile_file, profile_file + ".kept")
    os.mkdir(profile_file)
    yield
    os.rmdir(profile_file)
    shutil.move(profile_file + ".kept", profile_file)


def test_unwritable_profile_raises_on_close(unwritable_profile):
    cam = xkiv.Camera(offline=True)
    cam.MasterGain = 77
    with pytest.raises(xkiv.ProfileError, match="XKivRZ150LX Control.ini"):
        cam.close()


def test_unwritable_profile_warns_when_leaving_with_an_exception(unwritable_profile):
    with pytest.warns(RuntimeWarning, match="XKivRZ150LX Control.ini"):
        with pytest.raises(KeyError):
            with xkiv.Camera(offline=True) as cam:
                cam.MasterGain = 78
                raise KeyError("leaving")


def _close_from_trace(sim, gain):
    armed = []
    cam = xkiv.Camera(device=sim.device, trace=lambda line: armed and cam.close())
    armed.append(True)
    cam.MasterGain = gain
    return cam


def _close_from_progress(sim, gain):
    armed = []
    cam = xkiv.Camera(device=sim.device, progress=lambda *step: armed and cam.close())
    cam.MasterGain = gain
    armed.append(True)
    cam.ReadAllFromCamera()
    return cam


def _close_from_event(sim, gain):
    cam = xkiv.Camera(device=sim.device)
    cam.on("MasterGainChanged", cam.close)
    cam.MasterGain = gain
    return cam


def _close_from_another_thread(sim, gain):
    """close() and a second call wait behind a long call; the second call
    either runs first or finds the camera closed."""
    outcomes = []

    def second_call():
        try:
            outcomes.append(cam.MasterGain)
        except ValueError as error:
            outcomes.append(str(error))

    def on_progress(*step):
        if not others:
            others.extend([threading.Thread(target=second_call),
                           threading.Thread(target=cam.close)])
            for thread in others:
                thread.start()
            # Room for both to reach the lock the long call holds.
            time.sleep(0.05)

    others = []
    cam = xkiv.Camera(device=sim.device, progress=on_progress)
    cam.MasterGain = gain
    cam.ReadAllFromCamera()
    for thread in others:
        thread.join()
    assert outcomes in ([gain], ["the camera is closed"])
    return cam


@pytest.mark.parametrize("close, gain", [
    (_close_from_trace, 401), (_close_from_progress, 402), (_close_from_event, 403),
    (_close_from_another_thread, 404),
], ids=["trace", "progress", "event", "thread"])
def test_close_during_a_call_lets_the_call_finish_then_closes(start_sim, profile_file, close,
                                                              gain):
    sim = start_sim("RZ-130LX", "--baud-pace")
    cam = close(sim, gain)
    assert cam.closed
    with pytest.raises(ValueError, match="closed"):
        cam.MasterGain
    cam.close()
    with open(profile_file) as profile:
        assert "Master Gain=%d" % gain in profile.read()


def test_camera_collected_unclosed_warns_and_writes_the_profile(profile_file):
    cam = xkiv.Camera(offline=True)
    # A cycle through the callback: only the garbage collector frees it.
    cam.on("MasterGainChanged", lambda cam=cam: cam.MasterGain)
    cam.MasterGain = 405
    with pytest.warns(ResourceWarning, match="unclosed xkiv.Camera"):
        del cam
        gc.collect()
    with open(profile_file) as profile:
        assert "Master Gain=405" in profile.read()


def test_camera_left_open_at_exit_writes_the_profile(tmp_path):
    script = (
        "import xkiv\n"
        "cam = xkiv.Camera(offline=True)\n"
        "cam.on('MasterGainChanged', lambda cam=cam: cam.MasterGain)\n"
        "cam.MasterGain = 406\n")
    environment = dict(os.environ, XDG_CONFIG_HOME=str(tmp_path),
                       PYTHONPATH=os.path.dirname(xkiv.__file__))
    run = subprocess.run([sys.executable, "-W", "always::ResourceWarning", "-c", script],
                         env=environment, capture_output=True, text=True, timeout=60)
    assert run.returncode == 0, run.stderr
    assert "ResourceWarning" in run.stderr
    with open(tmp_path / "KIV" / "XKivRZ150LX Control.ini") as profile:
        assert "Master Gain=406" in profile.read()
