"""Setup files: what WriteAllToFile writes, ReadAllFromFile gives back."""


def test_setup_file_round_trip(camera, tmp_path):
    path = str(tmp_path / "line 1.cam")
    camera.MasterGain = 300
    camera.TriggerMode = 1
    assert camera.WriteAllToFile(path) == 0
    camera.MasterGain = 500
    camera.TriggerMode = 0
    assert camera.ReadAllFromFile(path) == 0
    assert (camera.MasterGain, camera.TriggerMode) == (300, 1)
