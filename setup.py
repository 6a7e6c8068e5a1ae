"""`pip install .`: builds the library and the Python module with CMake (the project's one
build) and puts the module, the library and the window module into the wheel. Offline with
Debian's build packages: pip install --no-build-isolation --no-index .

KVR_CMAKE_BUILD_DIR names a CMake build folder to reuse (default: build-pip)."""
import os
import pathlib
import re
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

HERE = pathlib.Path(__file__).resolve().parent


def version():
    text = (HERE / "CMakeLists.txt").read_text()
    return re.search(r"project\(KVRUpload VERSION ([0-9.]+)", text).group(1)


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        build = pathlib.Path(os.environ.get("KVR_CMAKE_BUILD_DIR", HERE / "build-pip")).resolve()
        stage = pathlib.Path(self.build_temp).resolve() / "stage"
        if not (build / "CMakeCache.txt").exists():
            generator = ["-G", "Ninja"] if shutil.which("ninja") else []
            subprocess.check_call(["cmake", "-S", str(HERE), "-B", str(build), *generator,
                                   "-DCMAKE_BUILD_TYPE=Release", "-DKVR_TESTS=OFF",
                                   f"-DPython3_EXECUTABLE={sys.executable}"])
        subprocess.check_call(["cmake", "--build", str(build), "--target", "kvrupload_py",
                               "KVRUploadGui"])
        shutil.rmtree(stage, ignore_errors=True)
        for component in ("python", "gui"):
            subprocess.check_call(["cmake", "--install", str(build), "--component", component,
                                   "--prefix", str(stage)])
        # The module finds the library in kvrupload.libs beside it (its RUNPATH names that
        # folder too); the library finds its window module in kvrupload.libs/kvrupload.
        module = next(stage.rglob("kvrupload*.so"))
        target = pathlib.Path(self.get_ext_fullpath(ext.name))
        libs = target.parent / "kvrupload.libs"
        (libs / "kvrupload").mkdir(parents=True, exist_ok=True)
        shutil.copy2(module, target)
        for stub in stage.rglob("kvrupload.pyi"):
            shutil.copy2(stub, target.parent / stub.name)
        for gui in stage.rglob("libKVRUploadGui.so"):
            shutil.copy2(gui, libs / "kvrupload" / gui.name)
        soname = f"libKVRUpload.so.{version().split('.')[0]}"
        shutil.copy2(build / "src" / soname, libs / soname)  # the file, not the link


setup(
    version=version(),
    ext_modules=[Extension("kvrupload", sources=[])],
    cmdclass={"build_ext": CMakeBuild},
    options={"build": {"build_base": "build-pip/setuptools"}},
)
