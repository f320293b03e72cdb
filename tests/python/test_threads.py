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


def test_cameras_in_different_threads_run_at_the_same_time(start_sim):
    """Camera A's read-all stops in an event callback until camera B, in
    another thread, has finished a read-all of its own: this ends only when
    nothing serialises the two cameras."""
    sim_a = start_sim("RZ-130LX")
    sim_b = start_sim("RZ-150LX")
    with xkiv.Camera(device=sim_a.device) as cam_a, xkiv.Camera(device=sim_b.device) as cam_b:
        b_may_start = threading.Event()
        b_done = threading.Event()
        waited = []

        def hold_a_until_b_is_done():
            if not waited:
                b_may_start.set()
                waited.append(b_done.wait(timeout=60))

        def read_b():
            b_may_start.wait(timeout=60)
            cam_b.ReadAllFromCamera()
            b_done.set()

        cam_a.on("MasterGainChanged", hold_a_until_b_is_done)
        worker = threading.Thread(target=read_b)
        worker.start()
        cam_a.ReadAllFromCamera()
        worker.join()
        assert waited == [True]
        assert cam_b.ModelName == "RZ-150LX"
