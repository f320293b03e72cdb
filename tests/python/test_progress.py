"""Long operations report their steps to the progress callback."""
import pytest

import xkiv


@pytest.mark.parametrize("method, text", [
    ("ReadAllFromCamera", "Read Camera Data In Progress..."),
    ("WriteAllToCamera", "Write Camera Data In Progress..."),
])
def test_progress_callback_receives_every_step(sim, method, text):
    steps = []
    with xkiv.Camera(device=sim.device,
                     progress=lambda position, total, info: steps.append((position, total, info))) as cam:
        getattr(cam, method)()
    total = steps[0][1]
    assert total > 0
    assert steps == [(position, total, text) for position in range(total + 1)]


def test_progress_callback_exception_is_raised_after_the_call(sim):
    def fail(position, total, text):
        raise ZeroDivisionError("stop")
    with xkiv.Camera(device=sim.device, progress=fail) as cam:
        with pytest.raises(ZeroDivisionError):
            cam.ReadAllFromCamera()
        assert cam.CheckOnline()
