#!/usr/bin/env bash
# Throughput and peak memory of the transfer window's HTTP download and upload against curl,
# on the project's nginx on loopback, in the same run, alternating, several rounds.
#   bench/http_bench.sh [ROUNDS] [SIZE_MIB]       (defaults: 3 rounds of a 1024 MiB file)
# Builds the library without sanitizers (RelWithDebInfo, in build-bench), starts nginx with
# tests/servers/http_start.sh and stops it at the end. The window runs headless, with its
# progress panel off (NAO) and on (SIM).
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-3}
size_mib=${2:-1024}
build=${KVR_BENCH_BUILD:-build-bench}
work=$(realpath -m "$build/bench-run")

# shellcheck source=bench/window_setup.sh
source bench/window_setup.sh
base="http://127.0.0.1:$KVR_HTTP_PORT"
bytes=$((size_mib * 1024 * 1024))
head -c "$bytes" /dev/urandom >"$KVR_HTTP_ROOT/big.dat"
cp "$KVR_HTTP_ROOT/big.dat" "$work/out/send.dat"

# run NAME COMMAND...: wall seconds and peak RSS (KiB) of one command, appended to results.
run() {
    local name=$1
    shift
    rm -f "$work/out/got.dat" "$KVR_HTTP_PUT_ROOT/sent.dat"
    sync
    local t0 t1
    t0=$EPOCHREALTIME
    /usr/bin/time -v -o "$work/time.txt" "$@" >"$work/cmd.out" 2>&1 || {
        echo "$name failed:" >&2
        cat "$work/cmd.out" >&2
        exit 1
    }
    t1=$EPOCHREALTIME
    local rss
    rss=$(awk -F: '/Maximum resident set size/ {gsub(/ /, "", $2); print $2}' "$work/time.txt")
    local got=$work/out/got.dat
    [[ $name == *put* ]] && got=$KVR_HTTP_PUT_ROOT/sent.dat
    if ! cmp -s "$got" "$work/out/send.dat"; then
        echo "$name: the bytes that arrived differ from the file" >&2
        exit 1
    fi
    echo "$name $(echo "$t1 - $t0" | bc -l) $rss" >>"$work/results.txt"
}

: >"$work/results.txt"
for r in $(seq 1 "$rounds"); do
    echo "round $r/$rounds" >&2
    run curl_get curl -sS -f -o "$work/out/got.dat" "$base/big.dat"
    run window_get_off "$build/http_window" get "$base/big.dat" "$work/out/got.dat" NAO
    run window_get_on "$build/http_window" get "$base/big.dat" "$work/out/got.dat" SIM
    run curl_put curl -sS -f -T "$work/out/send.dat" "$base$KVR_HTTP_PUT_PREFIX/sent.dat"
    run window_put_off "$build/http_window" put "$base$KVR_HTTP_PUT_PREFIX/sent.dat" "$work/out/send.dat" NAO
    run window_put_on "$build/http_window" put "$base$KVR_HTTP_PUT_PREFIX/sent.dat" "$work/out/send.dat" SIM
done

awk -v mib="$size_mib" '
    { secs[$1] += $2; n[$1]++; if ($3 > rss[$1]) rss[$1] = $3 }
    END {
        printf "%-16s %10s %12s %14s\n", "run", "mean s", "MiB/s", "peak RSS MiB"
        split("curl_get window_get_off window_get_on curl_put window_put_off window_put_on", order, " ")
        for (i = 1; i <= 6; i++) {
            k = order[i]; mean = secs[k] / n[k]; rate[k] = mib / mean
            printf "%-16s %10.3f %12.1f %14.1f\n", k, mean, rate[k], rss[k] / 1024
        }
        printf "\nratio to curl: download off %.2f, download on %.2f, upload off %.2f, upload on %.2f\n",
            rate["window_get_off"] / rate["curl_get"], rate["window_get_on"] / rate["curl_get"],
            rate["window_put_off"] / rate["curl_put"], rate["window_put_on"] / rate["curl_put"]
    }' "$work/results.txt"
echo "(rounds: $rounds, file: $size_mib MiB; every run checked byte for byte)"
