"""The protocol trace: the lines of a set and of a refused set, time stamped and decoded."""
import io
import re
import subprocess

import pytest

import xkiv

STAMP = re.compile(r"\d\d:\d\d:\d\d\.\d\d\d ")

GAIN = ["-> GA=802        MasterGain := 802", "<- COMPLETE"]
REFUSED = ["-> ULCK=7381     Unlock := 7381", "<- COMPLETE",
           '-> UD=abc        UserID := "abc"', '<- Bad Parameters!!   103 "Bad Parameter !!"']


def untimed(lines):
    assert all(STAMP.match(line) for line in lines), lines
    return [STAMP.sub("", line, count=1) for line in lines]


@pytest.mark.parametrize("name, value, expected", [
    ("MasterGain", 2000, GAIN),
    ("UserID", "abc", REFUSED),
])
def test_trace_gives_the_lines_of_a_set(start_sim, name, value, expected):
    # The camera refuses the user ID: its unlock code is not the control's.
    sim = start_sim("RZ-130LX", "--unlock-code", "1234")
    lines = []
    with xkiv.Camera(device=sim.device, trace=lines.append) as cam:
        assert untimed(lines)[:2] == ["-> MD?           ModelName ?",
                                      '<- MD=RZ-130LX   ModelName = "RZ-130LX"']
        del lines[:]
        if expected is REFUSED:
            with pytest.raises(xkiv.AutomationError):
                setattr(cam, name, value)
        else:
            setattr(cam, name, value)
    assert untimed(lines) == expected


def test_trace_to_a_file_and_from_xkivctl_match(sim, xkivctl):
    stream = io.StringIO()
    with xkiv.Camera(device=sim.device, trace=stream) as cam:
        cam.MasterGain = 2000
    run = subprocess.run([xkivctl, "--trace", "--device", sim.device, "set", "MasterGain=2000"],
                         capture_output=True, text=True, check=True)
    written = untimed(stream.getvalue().splitlines())
    assert written[-2:] == GAIN
    assert untimed(run.stderr.splitlines()) == written
