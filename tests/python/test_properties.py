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


def test_members_are_listed_and_documented_from_the_type_library():
    with xkiv.Camera(offline=True) as cam:
        assert {"MasterGain", "TriggerMode", "ModelName", "WriteAllToFile"} <= set(dir(cam))
    assert xkiv.Camera.TriggerMode.__doc__ == "TriggerMode: int\n\nProperty Trigger Mode"
    assert "(read-only)" in xkiv.Camera.ModelName.__doc__
    assert xkiv.Camera.WriteAllToFile.__doc__.startswith(
        "WriteAllToFile(self, bstrFileName: str, *, raw: bool = False) -> int\n")
    assert "MasterGainChanged" in xkiv.EVENTS
