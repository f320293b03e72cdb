"""Properties are attributes with the control's names: it clamps, fires the change event, documents them."""
import pytest

import xkiv


@pytest.mark.parametrize("model", ["RZ-130LX", "RZ-150LX"])
@pytest.mark.parametrize("value, expected", [(2000, 802), (-5, 0), (400, 400)])
def test_master_gain_is_clamped_and_fires_its_change_event(start_sim, model, value, expected):
    with xkiv.Camera(device=start_sim(model).device) as cam:
        seen = []
        cam.on("MasterGainChanged", lambda: seen.append(cam.MasterGain))
        cam.MasterGain = value
        assert cam.MasterGain == expected
        assert seen == [expected]
        cam.off("MasterGainChanged")
        cam.MasterGain = 100
        assert seen == [expected]


def test_members_are_listed_and_documented_from_the_tables():
    with xkiv.Camera(offline=True) as cam:
        assert {"MasterGain", "TriggerMode", "ModelName", "WriteAllToFile"} <= set(dir(cam))
    assert xkiv.Camera.TriggerMode.__doc__.startswith(
        "TriggerMode: TriggerMode\n\nProperty Trigger Mode\n\nTrigger Mode (camera command TR). "
        "Values: TriggerMode.NO_SHUTTER (0), TriggerMode.SHUTTER_SELECT (1), TriggerMode.PWC (2)")
    assert "Range 0 to " in xkiv.Camera.MasterGain.__doc__
    assert "cam.range()" in xkiv.Camera.MasterGain.__doc__
    assert "(read-only)" in xkiv.Camera.ModelName.__doc__
    assert xkiv.Camera.WriteAllToFile.__doc__.startswith(
        "WriteAllToFile(self, file_name: str, *, raw: bool = False) -> int\n")
    assert "MasterGainChanged" in xkiv.EVENTS


def test_list_properties_give_and_take_their_enum_and_plain_ints():
    with xkiv.Camera(offline=True) as cam:
        cam.TriggerMode = xkiv.TriggerMode.PWC
        assert cam.TriggerMode is xkiv.TriggerMode.PWC
        cam.TriggerMode = 1
        assert cam.TriggerMode is xkiv.TriggerMode.SHUTTER_SELECT
        assert cam.TriggerMode == 1 and isinstance(cam.TriggerMode, int)
        assert issubclass(xkiv.TestPattern, int)
        assert isinstance(cam.MasterGain, int) and not hasattr(xkiv, "MasterGain")


# The range a property reports is where the control's clamping takes a value,
# for each model's bounds.
@pytest.mark.parametrize("model", ["RZ-130LX", "RZ-150LX", "RZ-150LX-HR"])
@pytest.mark.parametrize("name", ["MasterGain", "LineRate", "TriggerMode", "RedGain"])
def test_range_gives_the_live_bounds_the_control_clamps_into(start_sim, model, name):
    with xkiv.Camera(device=start_sim(model).device) as cam:
        low, high = cam.range(name)
        setattr(cam, name, 2**31 - 1)
        assert getattr(cam, name) == high
        setattr(cam, name, -2**31)
        assert getattr(cam, name) == low
        assert cam.range(name.lower()) == (low, high)


@pytest.mark.parametrize("name, text", [("ModelName", "has no range"),
                                        ("MasterGian", "did you mean MasterGain")])
def test_range_refuses_what_has_none(name, text):
    with xkiv.Camera(offline=True) as cam:
        with pytest.raises(ValueError, match=text):
            cam.range(name)


def test_settings_snapshot_restores_in_write_all_order_with_clamping(start_sim):
    sets = []

    def trace(line):
        if " := " in line:
            sets.append(line.split(" := ")[0].split()[-1])

    with xkiv.Camera(device=start_sim("RZ-130LX").device, trace=trace) as cam:
        saved = cam.settings()
        assert saved["TriggerMode"] is xkiv.TriggerMode.NO_SHUTTER
        assert "ModelName" not in saved and "MasterGain" in saved
        cam.TriggerMode = xkiv.TriggerMode.PWC
        cam.MasterGain = 5
        sets.clear()
        # Given in another order, sent in the order of a write of everything.
        cam.apply(dict(reversed(list(saved.items()))))
        assert cam.settings() == saved
        order = list(saved)
        assert [name for name in sets if name in saved] == sorted(
            (name for name in sets if name in saved), key=order.index)
        cam.apply({"MasterGain": 99999})
        assert cam.MasterGain == 802
        with pytest.raises(KeyError, match="did you mean MasterGain"):
            cam.apply({"TriggerMode": 2, "MasterGian": 1})
        assert cam.TriggerMode is xkiv.TriggerMode.NO_SHUTTER
