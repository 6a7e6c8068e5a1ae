#!/usr/bin/env bash
# Runs the VBScript tests against KVRUpload.dll under Wine:
#   run_wine.sh DLL WORKDIR SCRIPT...
# Registers the DLL with regsvr32 in a private prefix (WORKDIR/prefix), runs each script with
# cscript behind harness.vbs, compares the files the scripts name, and exits non-zero unless
# every script reached its end marker with no failure. Exit 77 (skipped) without Wine.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
dll=$1 work=$2
shift 2
command -v wine >/dev/null || { echo "SKIPPED: wine is not installed (apt-get install wine wine64)"; exit 77; }
[ -f "$dll" ] || { echo "SKIPPED: $dll was not built (./make.sh windows)"; exit 77; }
mkdir -p "$work"
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LC_ALL=C.UTF-8
# The library's windows are the headless backend's here: no display, and nobody to answer.
export KVRUPLOAD_UI=headless
unset DISPLAY
# One prefix per build tree: parallel tests wait for the first to create it.
prepare_prefix() {
    (
        flock 9
        [ -f "$WINEPREFIX/system.reg" ] || wineboot -i >/dev/null 2>&1
        wine regsvr32 /s "$(winepath -w "$dll")" >/dev/null 2>&1 || { echo "FAIL regsvr32"; exit 1; }
    ) 9>"$WINEPREFIX.lock"
}
prepare_prefix || exit 1

for env in "${KVR_SERVERS_DIR:-}/http/http.env" "${KVR_SERVERS_DIR:-}/ftp/ftp.env"; do
    # shellcheck disable=SC1090
    [ -f "$env" ] && set -a && . "$env" && set +a
done
# HTTPS: WinInet verifies the test server against the prefix's Root store.
trust_ca="$(dirname "$dll")/trust_ca.exe"
if [ -n "${KVR_CA_FILE:-}" ] && [ -f "$trust_ca" ]; then
    wine "$trust_ca" "$(winepath -w "$KVR_CA_FILE")" || { echo "FAIL trusting the test CA"; exit 1; }
fi
run="$work/run-$$"
rm -rf "$run" && mkdir -p "$run"
# The script host reads UTF-16 text without loss.
{ printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE "$here/../data/error_cases.tsv"; } >"$run/error_cases.tsv"
# Names of this run's own, so that the scripts may run side by side on the same servers.
export KVR_WINE_WORK KVR_ERROR_TABLE KVR_UPLOAD_FOLDER="wine-$$" KVR_HTTP_FILE="wine-$$.dat" KVR_FTP_DIR="wine-$$"
KVR_WINE_WORK=$(winepath -w "$run" 2>/dev/null)
KVR_ERROR_TABLE=$(winepath -w "$run/error_cases.tsv")
if [ -n "${KVR_HTTP_ROOT:-}" ]; then
    head -c 300000 /dev/urandom >"$KVR_HTTP_ROOT/$KVR_HTTP_FILE"
    chmod 644 "$KVR_HTTP_ROOT/$KVR_HTTP_FILE"
fi
if [ -n "${KVR_FTP_HOME:-}" ]; then
    mkdir -p "$KVR_FTP_HOME/$KVR_FTP_DIR" && chmod 777 "$KVR_FTP_HOME/$KVR_FTP_DIR"
    echo 1 >"$KVR_FTP_HOME/$KVR_FTP_DIR/one.txt"
    head -c 200000 /dev/urandom >"$KVR_FTP_HOME/$KVR_FTP_DIR/two.dat"
    chmod 666 "$KVR_FTP_HOME/$KVR_FTP_DIR/"*
fi

# A script that names the display fixture shows real windows on it, and gui_driver.py plays
# the user there: it gets a slow download to watch, a file to click in the FTP list, and the
# names it is to type.
gui_setup() {
    local display_env="${KVR_SERVERS_DIR:-}/display/display.env"
    [ -f "$display_env" ] || { echo "FAIL $name: the display fixture did not start"; return 1; }
    export "$(cat "$display_env")" KVR_GUI_DLL KVR_GUI_BIG_FILE="gui-$$.dat"
    export KVR_GUI_FTP_NAME="!gui-$$.gif" KVR_GUI_LOCAL_NAME="gui-$$-back.gif"
    KVR_GUI_DLL=$(winepath -w "$dll")
    head -c 4000000 /dev/urandom >"$KVR_HTTP_ROOT/$KVR_GUI_BIG_FILE"
    head -c 100000 /dev/urandom >"$KVR_FTP_HOME/$KVR_GUI_FTP_NAME"
    chmod 644 "$KVR_HTTP_ROOT/$KVR_GUI_BIG_FILE" "$KVR_FTP_HOME/$KVR_GUI_FTP_NAME"
    unset KVRUPLOAD_UI
    # A prefix of its own: Wine's desktop process keeps the display of the first program that
    # started it, and the headless scripts' has none.
    export WINEPREFIX="$work/prefix-gui"
    prepare_prefix || return 1
    timeout 400 python3 "$here/gui_driver.py" "$work" >"$run/$name.driver" 2>&1 &
    driver=$!
}

gui_finish() {
    wait "$driver"
    cat "$run/$name.driver"
    grep -aqx 'DRIVER-END 0' "$run/$name.driver" || { echo "FAIL $name: the user at the display"; failed=1; }
    rm -f "$KVR_HTTP_ROOT/$KVR_GUI_BIG_FILE" "$KVR_FTP_HOME/$KVR_GUI_FTP_NAME" \
        "$KVR_FTP_HOME/$KVR_GUI_LOCAL_NAME"
    export KVRUPLOAD_UI=headless WINEPREFIX="$work/prefix"
    unset DISPLAY
}

failed=0
for script in "$@"; do
    name=$(basename "$script" .vbs)
    cat "$here/harness.vbs" "$here/$name.vbs" >"$run/$name.vbs"
    start=$(date +%s%N)
    export KVR_CMP_FILE
    KVR_CMP_FILE=$(winepath -w "$run/$name.cmp")
    gui=""
    if grep -q "^' fixtures:.*display" "$here/$name.vbs"; then
        gui_setup && gui=yes || { failed=1; continue; }
    fi
    out=$(cd "$run" && timeout 300 wine cscript //nologo "$(winepath -w "$run/$name.vbs")" 2>&1 | tr -d '\r')
    rc=$?
    echo "$out"
    while IFS=$'\t' read -r label a b; do
        [[ $a == [A-Za-z]:\\* ]] && a=$(winepath -u "$a")
        [[ $b == [A-Za-z]:\\* ]] && b=$(winepath -u "$b")
        if cmp -s "$a" "$b"; then echo "PASS $label"; else echo "FAIL $label: $a and $b differ"; failed=1; fi
    done < <([ -f "$run/$name.cmp" ] && iconv -f UTF-16 -t UTF-8 "$run/$name.cmp" | tr -d '\r')
    [ -n "$gui" ] && gui_finish
    if ! echo "$out" | grep -aqx 'KVR-END 0' || [ "$rc" -ne 0 ]; then
        echo "FAIL $name: exit $rc, $(echo "$out" | grep -ac '^FAIL') failures, end marker: $(echo "$out" | grep -ac '^KVR-END')"
        failed=1
    fi
    echo "== $name: $((($(date +%s%N) - start) / 1000000)) ms"
done
rm -rf "${KVR_HTTP_ROOT:-/nonexistent}/$KVR_HTTP_FILE" "${KVR_FTP_HOME:-/nonexistent}/$KVR_FTP_DIR"
[ "$failed" -eq 0 ] && rm -rf "$run"
exit $failed
