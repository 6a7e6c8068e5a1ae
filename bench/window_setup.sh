# Sourced by the window benchmarks: builds the library without sanitizers (RelWithDebInfo, in
# $build) and bench/http_window against it, then starts nginx under $work/http (stopped on
# exit, with $work/out removed) and reads its environment.
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKVR_SANITIZE=OFF \
    -DKVR_TESTS=OFF >/dev/null
cmake --build "$build" --target KVRUpload -j1 >/dev/null
lib_dir=$(dirname "$(find "$build/src" -name 'libKVRUpload.so' | head -n1)")
g++ -O2 -g -std=c++20 -Wall -Wextra -Iinclude -I"$build/generated" bench/http_window.cpp -L"$lib_dir" -lKVRUpload \
    -Wl,-rpath,"$(realpath "$lib_dir")" -o "$build/http_window"

rm -rf "$work"
mkdir -p "$work/out"
bash tests/servers/http_start.sh "$work/http" >/dev/null
trap 'bash tests/servers/http_stop.sh "$work/http" >/dev/null 2>&1 || true; rm -rf "$work/out"' EXIT
# shellcheck disable=SC1091
source "$work/http/http.env"
