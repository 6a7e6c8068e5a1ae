#!/usr/bin/env bash
# The project's two commands:
#   ./make.sh demo   install what is missing, build, and run the main job
#   ./make.sh test   install what is missing, build with the sanitizers (a compiler warning
#                    fails the build), run every test
#                    (the Windows COM server is built first and tested under Wine), then
#                    make the Debian packages and check them installed (as root)
#   ./make.sh windows  build KVRUpload.dll, 64-bit (build-win64) and 32-bit (build-win32)
#   ./make.sh fuzz [SECONDS]   build the fuzz targets (clang, libFuzzer) and run each
#                    for SECONDS (default 20) from its seed corpus in tests/fuzz/corpus
#   ./make.sh package  the Debian packages, into build/packages
set -euo pipefail
cd "$(dirname "$0")"

# Everything the build, the tests, the demo and the benchmarks need, from Debian's packages.
PACKAGES=(
  build-essential cmake ninja-build pkg-config git
  libgtest-dev libgmock-dev googletest
  libcurl4-openssl-dev curl
  python3 python3-dev python3-pytest pybind11-dev
  nginx vsftpd openssl procps iproute2 time
  libfltk1.3-dev xvfb x11-apps x11-utils imagemagick xdotool
  clang-format locales
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools wine wine64 libwine-dev
  clang-14 libclang-rt-14-dev
  dpkg-dev file hyperfine python3-venv python3-pip python3-setuptools python3-wheel
)

deps() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if ((${#missing[@]})); then
    echo "== installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
  gen_locales
}

# The log writer's tests write lines in a Latin-1 and in a UTF-8 locale.
gen_locales() {
  local sudo="" l cs
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  for l in pt_BR.ISO-8859-1 pt_BR.UTF-8; do
    cs=${l#*.}
    [ "$(LC_ALL=$l locale charmap 2>/dev/null)" = "$cs" ] ||
      $sudo localedef -i pt_BR -f "$cs" "$l" || echo "== could not generate the locale $l" >&2
  done
}

# With KVR_STRICT=1 (the test command sets it) a compiler warning fails the build.
build() { # build DIR [cmake options...]
  local dir=$1
  shift
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_COMPILE_WARNING_AS_ERROR="${KVR_STRICT:-OFF}" "$@" >/dev/null
  cmake --build "$dir" -j "$(nproc)"
}

# The COM server, cross-built with mingw-w64; the 32-bit one is built but not tested (only 64-bit
# Wine installs here).
windows() { # windows [all]: the 64-bit DLL, and with "all" the 32-bit one too
  build build-win64 --toolchain cmake/mingw-w64-x86_64.cmake
  system_imports_only x86_64-w64-mingw32 build-win64/src/KVRUpload.dll
  [ "${1:-}" = all ] || return 0
  # The same tables: the 32-bit build compiles the 64-bit build's IDL (no 32-bit Wine to run
  # its own writer).
  build build-win32 --toolchain cmake/mingw-w64-i686.cmake \
    -DKVR_IDL_FILE="$PWD/build-win64/typelib/KVRUpload.idl"
  system_imports_only i686-w64-mingw32 build-win32/src/KVRUpload.dll
}

# The runtime is linked in: the DLL imports only the system's own DLLs.
system_imports_only() { # system_imports_only TRIPLE DLL
  local imports
  imports=$("$1-objdump" -p "$2" | sed -n 's/^\s*DLL Name: //p' | tr '\n' ' ')
  echo "== $2 imports: $imports"
  if grep -qiE 'lib(gcc|stdc|winpthread)' <<<"$imports"; then
    echo "== $2 needs a runtime DLL" >&2
    return 1
  fi
}

# The release build (no sanitizers, installed under /usr) and its Debian packages.
package() {
  build build -DKVR_TESTS=OFF -DCMAKE_INSTALL_PREFIX=/usr -DPython3_EXECUTABLE=/usr/bin/python3
  rm -rf build/packages
  (cd build && cpack -G DEB >/dev/null)
  ls build/packages/*.deb
}

case "${1:-}" in
  demo)
    deps
    build build -DKVR_TESTS=OFF
    KVR_CLI="$PWD/build/bin/kvrupload" scripts/demo.sh
    PYTHONPATH="$PWD/build/python" /usr/bin/python3 src/hosts/python/demo.py
    ;;
  windows)
    deps
    windows all
    ;;
  test)
    deps
    export KVR_STRICT=1
    if command -v x86_64-w64-mingw32-g++-posix >/dev/null; then
      windows
    else
      echo "== mingw-w64 is not installed: the Windows tests will be skipped" >&2
    fi
    build build-asan -DKVR_SANITIZE=ON -DKVR_WINDOWS_DLL="$PWD/build-win64/src/KVRUpload.dll"
    ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1} \
      ctest --test-dir build-asan --output-on-failure -j "$(nproc)" --timeout 900
    package
    if [ "$(id -u)" -eq 0 ]; then
      tests/install/check_packages.sh build/packages
    else
      sudo tests/install/check_packages.sh build/packages
    fi
    tests/install/check_pip.sh build
    ;;
  package)
    deps
    package
    ;;
  fuzz)
    deps
    seconds=${2:-20}
    CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DKVR_FUZZ=ON -DKVR_TESTS=OFF >/dev/null
    cmake --build build-fuzz --target fuzz -j "$(nproc)"
    # New inputs go to build-fuzz/corpus/NAME; the seeds in the tree are only read.
    for seeds in tests/fuzz/corpus/*/; do
      name=$(basename "$seeds")
      mkdir -p "build-fuzz/corpus/$name" build-fuzz/artifacts
      echo "== fuzz_$name for ${seconds}s"
      rc=0
      "build-fuzz/fuzz/fuzz_$name" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix=build-fuzz/artifacts/ "build-fuzz/corpus/$name" "$seeds" \
        >"build-fuzz/fuzz_$name.log" 2>&1 || rc=$?
      grep -E '^#[0-9]+[[:space:]]+DONE|^stat::number_of_executed_units|property failed|SUMMARY' \
        "build-fuzz/fuzz_$name.log" || true
      [ "$rc" -eq 0 ] || { echo "fuzz_$name failed: build-fuzz/fuzz_$name.log, build-fuzz/artifacts/" >&2; exit 1; }
    done
    ;;
  format)
    deps
    git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
    ;;
  *)
    echo "usage: $0 demo|test|fuzz [SECONDS]|format|windows|package" >&2
    exit 2
    ;;
esac
