#!/usr/bin/env bash
# Stops the vsftpd started by ftp_start.sh DIR.
set -uo pipefail
dir=${1:?usage: ftp_stop.sh DIR}
if pid=$(cat "$dir/vsftpd.pid" 2>/dev/null) && kill "$pid" 2>/dev/null; then
    for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null
fi
rm -f "$dir/vsftpd.pid" "$dir/ftp.env"
exit 0
