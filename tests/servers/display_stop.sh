#!/usr/bin/env bash
# Stops the virtual X display started by display_start.sh.
dir=$1
if [ -f "$dir/xvfb.pid" ]; then
  pid=$(cat "$dir/xvfb.pid")
  kill "$pid" 2>/dev/null || true
  for _ in $(seq 1 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.05; done
  rm -f "$dir/xvfb.pid" "$dir/display.env"
fi
exit 0
