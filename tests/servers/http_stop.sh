#!/usr/bin/env bash
# Stops the nginx started by http_start.sh DIR and waits until its master has gone.
set -euo pipefail

[ $# -eq 1 ] || {
    echo "usage: $0 DIR" >&2
    exit 2
}
dir=$(realpath -m "$1")

pids=()
for f in "$dir/master.pid" "$dir/nginx.pid"; do
    if [ -s "$f" ]; then
        pids+=("$(cat "$f")")
    fi
done

for pid in $(printf '%s\n' "${pids[@]}" | sort -u); do
    # Only an nginx whose command line names this folder is ours to stop.
    if ! tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -q -- "$dir/nginx.conf"; then
        continue
    fi
    kill -TERM "$pid" 2>/dev/null || true
    for _ in $(seq 1 100); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$pid" 2>/dev/null; then
        kill -KILL "$pid" 2>/dev/null || true
    fi
done
rm -f "$dir/master.pid" "$dir/nginx.pid" "$dir/http.env"
