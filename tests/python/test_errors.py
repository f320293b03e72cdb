"""Failures reach Python as exceptions: automation errors, failing result codes, misuse, callbacks."""
import pytest

import xkiv


@pytest.mark.parametrize("action, code, description, detail", [
    (lambda cam: setattr(cam, "ModelName", "X"), 0x800A017F,
     "Set not supported (read-only property): ModelName", None),
    (lambda cam: cam.ReadAllFromFile("/nonexistent/setup.cam"), 0x800A004B,
     "Unmatched data file for this camera.", "/nonexistent/setup.cam: No such file or directory"),
    (lambda cam: setattr(cam, "TriggerMode", "pwcx"), 0x80020005, "type mismatch",
     'TriggerMode: "pwcx" is not one of No Shutter (0), Shutter Select (1), PWC (2)'),
])
def test_failed_invoke_raises_automation_error(camera, action, code, description, detail):
    with pytest.raises(xkiv.AutomationError) as raised:
        action(camera)
    assert (raised.value.code, raised.value.description, raised.value.detail) == (
        code, description, detail)


def test_failing_result_code_raises_result_error_unless_raw():
    with xkiv.Camera(offline=True) as cam:
        with pytest.raises(xkiv.ResultError) as raised:
            cam.ReadAllFromCamera()
        assert (raised.value.code, raised.value.text) == (
            100, "Operation failed. The camera is offline.")
        assert cam.ReadAllFromCamera(raw=True) == 100


@pytest.mark.parametrize("action, error, text", [
    (lambda cam: cam.MasterGian, AttributeError, "did you mean MasterGain"),
    (lambda cam: setattr(cam, "MasterGian", 1), AttributeError, "did you mean MasterGain"),
    (lambda cam: cam.on("MasterGianChanged", print), ValueError, "did you mean MasterGainChanged"),
    (lambda cam: setattr(cam, "MasterGain", 1.5), TypeError, "MasterGain: expected int"),
    (lambda cam: setattr(cam, "MasterGain", 2**31), OverflowError, "32-bit"),
    (lambda cam: cam.StartCommunication(0), TypeError, "missing argument 'nPort'"),
    (lambda cam: cam.CheckOnline(raw=True), TypeError, "unexpected argument 'raw'"),
    # A NUL would cut the text short where it becomes a path or a device.
    (lambda cam: cam.WriteAllToFile("/tmp/xkiv-nul\0.cam"), ValueError, "null character"),
    (lambda cam: xkiv.Camera(device="/tmp/xkiv-nul\0sim"), ValueError, "null character"),
])
def test_misuse_raises_python_errors(action, error, text):
    with xkiv.Camera(offline=True) as cam:
        with pytest.raises(error, match=text):
            action(cam)


def test_callback_exception_is_raised_after_the_call_completes():
    with xkiv.Camera(offline=True) as cam:
        def fail():
            raise KeyError("from the callback")
        cam.on("MasterGainChanged", fail)
        with pytest.raises(KeyError, match="from the callback"):
            cam.MasterGain = 321
        assert cam.MasterGain == 321
