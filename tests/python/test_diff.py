"""xkivctl diff: two settings files, and a settings file against the camera."""
import json
import subprocess

import pytest

import xkiv

CHANGES = ["TriggerMode: 0 (No Shutter) | 2 (PWC)", "MasterGain: 0 | 300"]


@pytest.fixture
def files(sim, tmp_path):
    """before.cam holds the camera's values, after.cam two changes made since (the camera's now)."""
    before, after = str(tmp_path / "before.cam"), str(tmp_path / "after.cam")
    with xkiv.Camera(device=sim.device) as cam:
        cam.ReadAllFromCamera()
        cam.WriteAllToFile(before)
        cam.TriggerMode = 2
        cam.MasterGain = 300
        cam.WriteAllToFile(after)
    return {"before": before, "after": after}


@pytest.mark.parametrize("args, status, lines", [
    (["before", "after"], 1, CHANGES),
    (["after", "after"], 0, []),
    (["before"], 1, CHANGES),
    (["after"], 0, []),
])
def test_diff_lists_the_settings_that_differ(sim, xkivctl, files, args, status, lines):
    run = subprocess.run([xkivctl, "--device", sim.device, "diff", *(files[a] for a in args)],
                         capture_output=True, text=True)
    assert run.returncode == status, run.stderr
    assert run.stdout.splitlines() == lines


def test_diff_json_and_trouble(sim, xkivctl, files, tmp_path):
    run = subprocess.run([xkivctl, "--json", "--offline", "diff", files["before"], files["after"]],
                         capture_output=True, text=True)
    assert run.returncode == 1
    assert [d["name"] for d in json.loads(run.stdout)["differences"]] == ["TriggerMode", "MasterGain"]
    missing = subprocess.run([xkivctl, "--offline", "diff", str(tmp_path / "none.cam")],
                             capture_output=True, text=True)
    assert missing.returncode == 2
