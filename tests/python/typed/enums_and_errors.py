"""A script as an integrator writes it, checked by mypy --strict against xkiv.pyi."""
import sys

import xkiv


def configure(cam: xkiv.Camera) -> tuple[int, int]:
    cam.TriggerMode = xkiv.TriggerMode.PWC
    mode: xkiv.TriggerMode = cam.TriggerMode
    low, high = cam.range("LineRate")
    cam.LineRate = (low + high) // 2
    cam.on("LineRateChanged", lambda: None)
    return mode.value, cam.LineRate


def main(device: str) -> int:
    try:
        with xkiv.Camera(device=device) as cam:
            print(configure(cam))
            saved = cam.settings()
            cam.apply(saved)
            cam.apply({"MasterGain": 100, "TriggerMode": xkiv.TriggerMode.NO_SHUTTER})
            cam.AskLineRateRange(min_max=1)
    except xkiv.CameraOffline as error:
        print(error.device, error.detail, file=sys.stderr)
        return 1
    except xkiv.FileError as error:
        print(error.filename, error.errno, file=sys.stderr)
        return 1
    except xkiv.Refused as error:
        print(error.property, file=sys.stderr)
        return 1
    except xkiv.AutomationError as error:
        print(hex(error.code), error.description, error.detail, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
