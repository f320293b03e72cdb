"""Builds the extension module xkiv with the project's CMake build, for pip.

The CMake build is configured in a folder of its own for the Python module
alone (XKIV_BUILD_PROGRAMS=OFF: the layers the module links, no Qt, no
programs, no tests), for the interpreter that runs pip, and only the target
xkiv is built. XKIV_BUILD_DIR names an existing CMake build to reuse instead,
as long as it was configured for a Python of the same version.
"""

import os
import re
import shutil
import subprocess
import sys
import sysconfig
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

ROOT = Path(__file__).resolve().parent


def project_version():
    """The version the CMake project declares, so that both say the same."""
    text = (ROOT / "CMakeLists.txt").read_text(encoding="utf-8")
    return re.search(r"project\(\w+ VERSION ([0-9.]+)", text).group(1)


class CMakeExtension(Extension):
    """An extension module whose sources CMake knows."""

    def __init__(self, name):
        super().__init__(name, sources=[])


class CMakeBuild(build_ext):
    """Builds the target xkiv and places the module and its typing stub."""

    def build_extension(self, ext):
        reused = os.environ.get("XKIV_BUILD_DIR")
        build = Path(reused or Path(self.build_temp) / "cmake").resolve()
        if not reused:
            self.configure(build)
        jobs = os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL") or str(os.cpu_count() or 1)
        subprocess.run(["cmake", "--build", str(build), "--target", "xkiv", "-j", jobs],
                       check=True)
        module = build / "python" / ("xkiv" + sysconfig.get_config_var("EXT_SUFFIX"))
        if not module.exists():
            sys.exit(f"{module} was not built: {build} is configured for another Python")
        target = Path(self.get_ext_fullpath(ext.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(module, target)
        shutil.copyfile(build / "python" / "xkiv.pyi", target.parent / "xkiv.pyi")

    def configure(self, build):
        import pybind11

        subprocess.run(["cmake", "-S", str(ROOT), "-B", str(build),
                        "-DCMAKE_BUILD_TYPE=Release",
                        "-DXKIV_BUILD_PROGRAMS=OFF",
                        f"-DPython3_EXECUTABLE={sys.executable}",
                        f"-Dpybind11_DIR={pybind11.get_cmake_dir()}"],
                       check=True)


setup(
    version=project_version(),
    ext_modules=[CMakeExtension("xkiv")],
    cmdclass={"build_ext": CMakeBuild},
    # The repository's folders are no Python packages of this one.
    packages=[],
    py_modules=[],
    # Beside the project's CMake builds (build*/, which git ignores).
    options={"build": {"build_base": "build-python"}},
    zip_safe=False,
)
