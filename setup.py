# The extension module `kavro._kavro` of the package `kavro`, built by the project's CMake build: a fresh
# Release build under build-pip/ (no tests, no desktop window), or the target
# of an existing build folder named by KAVRO_CMAKE_BUILD_DIR.
import os
import pathlib
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

SOURCE = pathlib.Path(__file__).parent.resolve()


class CMakeExtension(Extension):
    def __init__(self, name):
        super().__init__(name, sources=[])


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        given = os.environ.get("KAVRO_CMAKE_BUILD_DIR")
        build = pathlib.Path(given).resolve() if given else SOURCE / "build-pip" / "cmake"
        if not given:
            subprocess.run(["cmake", "-S", str(SOURCE), "-B", str(build), "-DCMAKE_BUILD_TYPE=Release",
                            "-DKAVRO_BUILD_TESTS=OFF", "-DKAVRO_DESKTOP=OFF",
                            f"-DPython3_EXECUTABLE={sys.executable}"], check=True)
        subprocess.run(["cmake", "--build", str(build), "--target", "kavro_python", "-j", str(os.cpu_count() or 1)],
                       check=True)
        built = sorted((build / "python" / "kavro").glob("_kavro*.so"))
        if not built:
            raise RuntimeError(f"the CMake build in {build} made no module kavro._kavro")
        target = pathlib.Path(self.get_ext_fullpath(ext.name))
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.copyfile(built[0], target)


(SOURCE / "build-pip").mkdir(exist_ok=True)  # setuptools' build and metadata stay out of the sources
setup(ext_modules=[CMakeExtension("kavro._kavro")], cmdclass={"build_ext": CMakeBuild})
