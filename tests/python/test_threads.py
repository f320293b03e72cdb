"""Other Python threads run while the control waits on the camera."""
import threading
import time

import xkiv


def test_other_threads_run_during_a_long_call(start_sim, tmp_path):
    # The simulator logs each command as it arrives. Were the interpreter's lock held for
    # the whole call, this thread could see the log only as it was before the call or as it
    # is after it; seeing it part written proves that this thread ran during the call.
    log = tmp_path / "received.log"
    sim = start_sim("RZ-130LX", "--baud-pace", "--log", str(log))

    def logged():
        return len(log.read_text().splitlines())

    with xkiv.Camera(device=sim.device) as cam:
        errors = []

        def read_all():
            try:
                cam.ReadAllFromCamera()
            except Exception as error:  # reported by the test's own thread
                errors.append(error)

        before = logged()
        seen = set()
        worker = threading.Thread(target=read_all)
        worker.start()
        while worker.is_alive():
            seen.add(logged())
            time.sleep(0.005)
        worker.join()
        after = logged()
    assert not errors
    assert any(before < count < after for count in seen)
