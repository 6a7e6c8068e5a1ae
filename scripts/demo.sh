#!/usr/bin/env bash
# The main job, for a person to watch: the local test nginx is started on loopback with a
# sample file, the kvrupload command downloads it and uploads it back with progress shown,
# the copies are compared, and the server is stopped. Run after the build (./make.sh demo).
set -euo pipefail
cd "$(dirname "$0")/.."
cli=${KVR_CLI:-$PWD/build/bin/kvrupload}
size_mb=${KVR_DEMO_MB:-20}

work=$(mktemp -d /tmp/kvrupload-demo.XXXXXX)
chmod 0755 "$work" # nginx's workers (nobody) must get through it
stop() {
    bash tests/servers/http_stop.sh "$work/http" >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap stop EXIT

bash tests/servers/http_start.sh "$work/http"
# shellcheck disable=SC1091
. "$work/http/http.env"
base="http://127.0.0.1:$KVR_HTTP_PORT"
head -c $((size_mb * 1024 * 1024)) /dev/urandom >"$KVR_HTTP_ROOT/amostra.dat"

echo
echo "== kvrupload download $base/amostra.dat $work/amostra.dat --progress SIM --close SIM"
"$cli" download "$base/amostra.dat" "$work/amostra.dat" --progress SIM --close SIM
echo
echo "== kvrupload upload $base/upload/ $work/amostra.dat --progress SIM --close SIM"
"$cli" upload "$base/upload/" "$work/amostra.dat" --progress SIM --close SIM
echo
echo "== a refused value: --progress talvez"
"$cli" download "$base/amostra.dat" "$work/outra.dat" --progress talvez || echo "(exit status $?)"
echo
cmp "$KVR_HTTP_ROOT/amostra.dat" "$KVR_HTTP_PUT_ROOT/amostra.dat"
echo "== the server's uploaded copy is byte for byte the original ($size_mb MiB)"
