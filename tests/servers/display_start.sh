#!/usr/bin/env bash
# Starts a virtual X display (Xvfb) for the GUI tests and writes DIR/display.env.
set -euo pipefail
dir=$1
mkdir -p "$dir"
for n in $(seq 90 140); do
  [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp -noreset >"$dir/xvfb.log" 2>&1 &
  echo $! >"$dir/xvfb.pid"
  for _ in $(seq 1 100); do
    # Ours only when the lock names our server (another run may have won the same number),
    # and ready only once it accepts a client (its socket file comes before it listens).
    if [ -S "/tmp/.X11-unix/X$n" ] &&
      [ "$(tr -d ' \n' <"/tmp/.X$n-lock" 2>/dev/null)" = "$(cat "$dir/xvfb.pid")" ] &&
      python3 -c 'import socket, sys; socket.socket(socket.AF_UNIX).connect(sys.argv[1])' \
        "/tmp/.X11-unix/X$n" 2>/dev/null; then
      echo "DISPLAY=:$n" >"$dir/display.env"
      exit 0
    fi
    kill -0 "$(cat "$dir/xvfb.pid")" 2>/dev/null || break
    sleep 0.05
  done
  kill "$(cat "$dir/xvfb.pid")" 2>/dev/null || true
done
echo "no display could be started" >&2
exit 1
