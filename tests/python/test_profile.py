"""Closing writes the profile; a profile that cannot be written is never silent."""
import os
import shutil

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
