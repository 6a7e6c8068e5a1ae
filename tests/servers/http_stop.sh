#!/usr/bin/env bash
# Stops the nginx started by http_start.sh DIR and waits until its master has gone.
set -uo pipefail
dir=$(realpath -m "${1:?usage: http_stop.sh DIR}")
for pid in $(cat "$dir/master.pid" "$dir/nginx.pid" 2>/dev/null | sort -u); do
    # Only an nginx whose command line names this folder is ours to stop.
    tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -q -- "$dir/nginx.conf" || continue
    kill -TERM "$pid" 2>/dev/null
    for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$pid" 2>/dev/null
done
rm -f "$dir/master.pid" "$dir/nginx.pid" "$dir/http.env"
exit 0
