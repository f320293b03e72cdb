"""Methods are methods: by-reference parameters come back after the result."""
import pytest


@pytest.mark.parametrize("method, args, kwargs, expected", [
    ("AutoSelectCommunication", (0, 0, False), {}, (1, 0, 0)),
    ("AutoSelectCommunication", (), {"pnClass": None, "pnPort": 7, "nShowProgressBar": 0},
     (1, 0, 0)),
    # Python's names, and the type library's for older scripts.
    ("AutoSelectCommunication", (), {"cls": None, "port": 7, "show_progress_bar": 0}, (1, 0, 0)),
    ("AskMasterGainRange", (), {"min_max": 1}, 802),
    ("AskMasterGainRange", (), {"nMinMax": 1}, 802),
    ("DoOnePushAWB", (0, 0), {}, (0, 1)),
    ("CheckModelAsRZ130LX", (), {}, True),
])
def test_method_returns_its_result_and_references(camera, method, args, kwargs, expected):
    assert getattr(camera, method)(*args, **kwargs) == expected
