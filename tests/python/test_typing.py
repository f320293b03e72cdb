"""The typing stub holds what scripts use: mypy --strict accepts the README's example and a script
with the enums, ranges, snapshot and error kinds (skipped when mypy is not installed)."""
import os
import re
import subprocess
import sys

import pytest

import xkiv

HERE = os.path.dirname(os.path.abspath(__file__))
README = os.path.join(HERE, "..", "..", "README.md")


def test_scripts_pass_mypy_strict(tmp_path):
    pytest.importorskip("mypy")
    with open(README) as readme:
        example = re.search(r"```python\n(.*?)```", readme.read(), re.S).group(1)
    (tmp_path / "readme_example.py").write_text(example)
    # The stub beside the built module, as the package installs it.
    stubs = tmp_path / "stubs"
    stubs.mkdir()
    with open(os.path.join(os.path.dirname(xkiv.__file__), "xkiv.pyi")) as stub:
        (stubs / "xkiv.pyi").write_text(stub.read())
    run = subprocess.run(
        [sys.executable, "-m", "mypy", "--strict", "--no-incremental", "--cache-dir", os.devnull,
         str(tmp_path / "readme_example.py"), os.path.join(HERE, "typed", "enums_and_errors.py")],
        env=dict(os.environ, MYPYPATH=str(stubs)), capture_output=True, text=True, timeout=300)
    assert run.returncode == 0, run.stdout + run.stderr
