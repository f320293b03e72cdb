"""Other Python threads run while the control waits on the camera."""
import threading
import time

import xkiv


def test_other_threads_run_during_a_long_call(start_sim):
    sim = start_sim("RZ-130LX", "--baud-pace")
    with xkiv.Camera(device=sim.device) as cam:
        started = threading.Event()

        def read_all():
            started.set()
            cam.ReadAllFromCamera()

        worker = threading.Thread(target=read_all)
        worker.start()
        started.wait()
        ticks = 0
        while worker.is_alive() and ticks < 20:
            time.sleep(0.01)
            ticks += 1
        still_reading = worker.is_alive()
        worker.join()
        assert still_reading and ticks == 20
