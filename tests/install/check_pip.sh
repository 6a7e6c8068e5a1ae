#!/usr/bin/env bash
# `pip install .` offline, with Debian's build packages, into a fresh virtual environment
# (it sees the system's setuptools and wheel): the installed module imports from the
# environment, not the build tree, and its window module is where the library looks.
# BUILD names a CMake build folder to reuse (no rebuild when it is current).
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 BUILD" >&2; exit 2; }
build=$(realpath "$1")
src=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d /tmp/kvr-pip.XXXXXX)
trap 'rm -rf "$work" "$src/kvrupload.egg-info"' EXIT

echo "== pip check: pip install --no-build-isolation --no-index ."
/usr/bin/python3 -m venv --system-site-packages "$work/venv"
(cd "$src" && KVR_CMAKE_BUILD_DIR=$build "$work/venv/bin/python" -m pip install -q \
    --no-build-isolation --no-index . >"$work/pip.log" 2>&1) || { cat "$work/pip.log" >&2; exit 1; }
cd /
env -i PATH=/usr/bin:/bin HOME="$work" "$work/venv/bin/python" - "$work/venv" <<'PY'
import os, sys, kvrupload
venv = sys.argv[1]
assert kvrupload.__file__.startswith(venv), kvrupload.__file__
libs = os.path.join(os.path.dirname(kvrupload.__file__), "kvrupload.libs")
assert os.path.isfile(os.path.join(libs, "kvrupload", "libKVRUploadGui.so")), os.listdir(libs)
assert kvrupload.CreateObject("KVRUpload.ctlKVRUpload").TypeName == "ctlKVRUpload"
PY
"$work/venv/bin/python" -m pip uninstall -q -y kvrupload
[ -z "$(ls "$work"/venv/lib/python3*/site-packages | grep -i kvrupload)" ] ||
    { echo "pip uninstall left files behind" >&2; exit 1; }
echo "== pip check: passed"
