"""The build of `pip install .`: setuptools with one build_ext that runs the
project's CMake build of the module (target lcs_python) for the interpreter
that runs pip, and copies the module and its stub into the wheel. The
version is the CMake project's."""

import os
import re
import shutil
import subprocess
import sys
from pathlib import Path

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

SOURCE = Path(__file__).resolve().parent


def project_version():
    text = (SOURCE / "CMakeLists.txt").read_text()
    return re.search(r"project\(lcs VERSION ([0-9.]+)", text).group(1)


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        build = Path(self.build_temp).resolve() / "cmake"
        configure = [
            "cmake", "-S", str(SOURCE), "-B", str(build),
            "-DCMAKE_BUILD_TYPE=Release",
            f"-DPython3_EXECUTABLE={sys.executable}",
            "-DLCS_BUILD_PYTHON=ON",
            "-DLCS_BUILD_TESTS=OFF",
            "-DLCS_BUILD_BENCHMARKS=OFF",
        ]
        subprocess.run(configure, check=True)
        jobs = os.environ.get("CMAKE_BUILD_PARALLEL_LEVEL", "2")
        subprocess.run(["cmake", "--build", str(build), "--target", "lcs_python", "-j", jobs], check=True)
        target = Path(self.get_ext_fullpath(ext.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        built = build / "python" / target.name
        shutil.copyfile(built, target)
        shutil.copyfile(SOURCE / "python" / "lcs.pyi", target.parent / "lcs.pyi")


setup(
    version=project_version(),
    ext_modules=[Extension("lcs", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
    # Apart from README's CMake build folder, build/.
    options={"build": {"build_base": "build-pip"}, "egg_info": {"egg_base": "build-pip"}},
    zip_safe=False,
)
