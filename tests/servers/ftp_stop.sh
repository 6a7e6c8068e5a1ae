#!/usr/bin/env bash
# Stops the vsftpd started by ftp_start.sh DIR.
set -uo pipefail
dir=${1:?usage: ftp_stop.sh DIR}
pidfile="$dir/vsftpd.pid"
[ -f "$pidfile" ] || exit 0
pid=$(cat "$pidfile")
if kill -0 "$pid" 2>/dev/null; then
  kill "$pid"
  for _ in $(seq 1 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$pid" 2>/dev/null && kill -9 "$pid"
fi
rm -f "$pidfile" "$dir/ftp.env"
exit 0
