#!/usr/bin/env bash
# Start-up of the kvrupload command against curl: a whole-process download of a 6-byte file
# from the same local nginx, timed over many runs with hyperfine (mean and median), the peak
# RSS of each (GNU time, the highest of RUNS_RSS runs), and, when valgrind is installed, the
# instructions each whole process runs (callgrind: steady where times are not, on a busy
# machine). Not part of the test suite.
#   bench/startup_bench.sh [KVRUPLOAD] [RUNS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cli=${1:-${KVR_CLI:-$root/build/bin/kvrupload}}
runs=${2:-300}
runs_rss=20
[ -x "$cli" ] || { echo "kvrupload not found at $cli (build it first)" >&2; exit 2; }
command -v hyperfine >/dev/null || { echo "hyperfine is missing (apt-get install hyperfine)" >&2; exit 2; }

work=$(mktemp -d /tmp/kvr-startup-bench.XXXXXX)
chmod 755 "$work" # nginx's workers read the served folder as nobody
trap 'bash "$root/tests/servers/http_stop.sh" "$work/http" >/dev/null 2>&1; rm -rf "$work"' EXIT
bash "$root/tests/servers/http_start.sh" "$work/http" >/dev/null
# shellcheck disable=SC1091
. "$work/http/http.env"
printf 'abcdef' >"$KVR_HTTP_ROOT/tiny.txt"
url="http://127.0.0.1:$KVR_HTTP_PORT/tiny.txt"
unset DISPLAY # no window system: what a script or a server sees

echo "== $runs runs each: $cli download vs curl, $url"
hyperfine -N --warmup 20 --runs "$runs" --export-json "$work/times.json" \
  -n kvrupload "$cli download $url $work/kvr.txt" \
  -n curl "curl -sS -o $work/curl.txt $url"
cmp -s "$work/kvr.txt" "$KVR_HTTP_ROOT/tiny.txt" || { echo "kvrupload: bytes differ" >&2; exit 1; }

peak() { # CMD...: the highest peak RSS (KiB) of $runs_rss runs
  local max=0 r
  for _ in $(seq 1 "$runs_rss"); do
    /usr/bin/time -f %M -o "$work/rss" "$@" >/dev/null
    r=$(cat "$work/rss")
    ((r > max)) && max=$r
  done
  echo "$max"
}
kvr_rss=$(peak "$cli" download "$url" "$work/kvr.txt")
curl_rss=$(peak curl -sS -o "$work/curl.txt" "$url")
# instructions CMD...: the instructions the whole process ran, or "-" without valgrind.
instructions() {
  command -v valgrind >/dev/null || { echo -; return; }
  valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 >/dev/null |
    sed -n 's/.*Collected : \([0-9]*\).*/\1/p'
}
kvr_ir=$(instructions "$cli" download "$url" "$work/kvr.txt")
curl_ir=$(instructions curl -sS -o "$work/curl.txt" "$url")
kvr_libs=$(ldd "$cli" | wc -l)
curl_libs=$(ldd "$(command -v curl)" | wc -l)

python3 - "$work/times.json" "$kvr_rss" "$curl_rss" "$kvr_libs" "$curl_libs" "$kvr_ir" "$curl_ir" <<'PY'
import json, sys
r = {x["command"]: x for x in json.load(open(sys.argv[1]))["results"]}
k, c = r["kvrupload"], r["curl"]
kr, cr, kl, cl = (int(v) for v in sys.argv[2:6])
ki, ci = (int(v) if v.isdigit() else None for v in sys.argv[6:8])
print()
print(f"{'':10}{'mean_ms':>10}{'median_ms':>11}{'cpu_ms':>8}{'peak_rss_MiB':>14}{'libs':>6}"
      f"{'instructions':>14}")
cpu = lambda x: (x["user"] + x["system"]) * 1e3  # user + system: steadier on a busy machine
for name, x, rss, libs, ir in (("kvrupload", k, kr, kl, ki), ("curl", c, cr, cl, ci)):
    print(f"{name:10}{x['mean'] * 1e3:10.2f}{x['median'] * 1e3:11.2f}{cpu(x):8.2f}"
          f"{rss / 1024:14.2f}{libs:6}{ir if ir else '-':>14}")
print(f"time ratio kvrupload/curl: mean {k['mean'] / c['mean']:.3f}, "
      f"median {k['median'] / c['median']:.3f}, cpu {cpu(k) / cpu(c):.3f}"
      + (f", instructions {ki / ci:.3f}" if ki and ci else "") + " (target <= 1.1)")
print(f"peak RSS difference: {(kr - cr) / 1024:+.2f} MiB (target <= 3)")
PY
