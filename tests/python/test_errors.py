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


# What went wrong, by the kind a caller catches: (simulator options, action,
# exception type, published code, attributes).
_ENOENT = 2
KINDS = [
    ((), lambda cam, tmp: cam.ReadAllFromFile("/nonexistent/setup.cam"), xkiv.FileError,
     0x800A004B, {"filename": "/nonexistent/setup.cam", "errno": _ENOENT,
                  "description": "Unmatched data file for this camera."}),
    ((), lambda cam, tmp: cam.WriteAllToFile(str(tmp)), xkiv.FileError, 0x800A004B,
     {"filename": "{tmp}", "errno": None,
      "description": "Access failed on read/write file.", "detail": "{tmp}: not a regular file"}),
    ((), lambda cam, tmp: xkiv.Camera(device="/nonexistent/ttyUSB9"), xkiv.CameraOffline,
     0x800A0039, {"device": "/nonexistent/ttyUSB9",
                  "detail": "/nonexistent/ttyUSB9: No such file or directory"}),
    (("--drop-every", "1"), None, xkiv.Timeout, 0x800A0039,
     {"description": "Operation time out.\nPlease check the camera power and its cable."}),
    (("--unlock-code", "1234"), lambda cam, tmp: setattr(cam, "UserID", "x"), xkiv.Refused,
     0x800A017C, {"property": "UserID", "description": '"UD" : Bad Parameter !!'}),
]


@pytest.mark.parametrize("options, action, kind, code, attributes", KINDS)
def test_failures_raise_their_kind_with_the_culprit(start_sim, tmp_path, options, action, kind,
                                                    code, attributes):
    sim = start_sim("RZ-130LX", *options)
    with pytest.raises(kind) as raised:
        if action is None:
            xkiv.Camera(device=sim.device)
        else:
            with xkiv.Camera(device=sim.device) as cam:
                action(cam, tmp_path)
    assert isinstance(raised.value, xkiv.AutomationError)
    assert raised.value.code == code
    for name, value in attributes.items():
        if isinstance(value, str):
            value = value.replace("{tmp}", str(tmp_path))
        assert getattr(raised.value, name) == value, name


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
    (lambda cam: cam.StartCommunication(0), TypeError, "missing argument 'port'"),
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
