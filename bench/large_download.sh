#!/usr/bin/env bash
# A download past the 32-bit byte counter: a sparse file of SIZE_GIB on the project's nginx,
# fetched by the transfer window with its progress panel off (NAO) and on (SIM), alternating.
# The two must take about the same time: past 2 GiB the panel's counter stops, it must not
# cost anything per chunk. CPU seconds are shown beside the wall time, which a busy machine
# makes noisy.
#   bench/large_download.sh [ROUNDS] [SIZE_GIB]       (defaults: 2 rounds of 3 GiB)
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-2}
size_gib=${2:-3}
build=${KVR_BENCH_BUILD:-build-bench}
work=$(realpath -m "$build/bench-large")

# shellcheck source=bench/window_setup.sh
source bench/window_setup.sh
truncate -s "${size_gib}G" "$KVR_HTTP_ROOT/large.dat"
url="http://127.0.0.1:$KVR_HTTP_PORT/large.dat"

for r in $(seq 1 "$rounds"); do
    for progress in NAO SIM; do
        rm -f "$work/out/got.dat"
        /usr/bin/time -f "%e %U %S" -o "$work/time.txt" \
            "$build/http_window" get "$url" "$work/out/got.dat" "$progress" >"$work/cmd.out" 2>&1 || {
            cat "$work/cmd.out" >&2
            exit 1
        }
        got=$(stat -c %s "$work/out/got.dat")
        [ "$got" -eq $((size_gib << 30)) ] || { echo "short file: $got bytes" >&2; exit 1; }
        read -r wall user sys <"$work/time.txt"
        printf 'round %d progress %s: %s s wall, %.2f s CPU\n' "$r" "$progress" "$wall" \
            "$(echo "$user + $sys" | bc -l)"
    done
done
