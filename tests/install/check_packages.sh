#!/usr/bin/env bash
# Installs the Debian packages in DIR, uses what they installed as a user would (the
# command's version and a download from a local nginx, the Python module with the system
# interpreter, a C++ program built against the development files with CMake and with
# pkg-config), then purges them and checks that nothing they installed is left. Needs root;
# refuses to touch packages of the same names that are already installed.
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 DIR" >&2; exit 2; }
fail() { echo "install check: $*" >&2; exit 1; }
debs=$(realpath "$1")
src=$(cd "$(dirname "$0")/../.." && pwd)
names=(kvrupload kvrupload-dev python3-kvrupload kvrupload-gui)
files=()
for n in "${names[@]}"; do
    f=$(ls "$debs/${n}"_*.deb 2>/dev/null | head -1) || true
    [ -n "$f" ] || fail "no package $n in $debs"
    files+=("$f")
    [[ $(dpkg-query -W -f='${Status}' "$n" 2>/dev/null || true) != *"ok installed"* ]] ||
        fail "$n is already installed here; not touching it"
done
version=$(dpkg-deb -f "${files[0]}" Version)

work=$(mktemp -d /tmp/kvr-install.XXXXXX)
chmod 0755 "$work" # nginx's workers read the served folder as nobody
cleanup() {
    bash "$src/tests/servers/http_stop.sh" "$work/http" >/dev/null 2>&1 || true
    bash "$src/tests/servers/display_stop.sh" "$work/display" >/dev/null 2>&1 || true
    dpkg --purge "${names[@]}" >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT
step() { echo "== install check: $*"; }
logged() { "$@" >"$work/log" 2>&1 || { cat "$work/log" >&2; fail "$* failed"; }; } # quiet unless it fails
# What an ordinary user's shell has: no build tree, no display.
as_user() { env -i PATH=/usr/bin:/bin HOME="$work" LANG=C.UTF-8 "$@"; }

step "the core package pulls no window system"
depends=$(dpkg-deb -f "${files[0]}" Depends)
! grep -Eiq 'libx|fltk|fontconfig|freetype' <<<"$depends" || fail "kvrupload depends on a window library: $depends"

step "dpkg -i ${files[*]##*/}"
logged dpkg -i "${files[@]}"
dpkg -L "${names[@]}" | sort -u >"$work/installed"

step "kvrupload --version"
out=$(as_user kvrupload --version)
grep -qF "$version" <<<"$out" || fail "the installed command says $out, not $version"

step "a download from nginx with the installed command"
bash "$src/tests/servers/http_start.sh" "$work/http" >/dev/null
# shellcheck disable=SC1091
. "$work/http/http.env"
head -c 4096 /dev/urandom >"$KVR_HTTP_ROOT/installed.bin"
url="http://127.0.0.1:$KVR_HTTP_PORT/installed.bin"
as_user kvrupload download "$url" "$work/got.bin" >"$work/result.json" ||
    fail "download: $(cat "$work/result.json")"
cmp -s "$KVR_HTTP_ROOT/installed.bin" "$work/got.bin" || fail "the downloaded file differs"

step "import kvrupload with /usr/bin/python3"
(cd / && as_user /usr/bin/python3 -c '
import kvrupload, sys
assert kvrupload.__file__.startswith("/usr/lib/python3/dist-packages/"), kvrupload.__file__
assert kvrupload.__version__ == sys.argv[3], kvrupload.__version__
ctl = kvrupload.CreateObject("KVRUpload.ctlKVRUpload")
ctl.ExibirProgresso = "NAO"
r = ctl.Download(sys.argv[1], sys.argv[2])
assert list(r) == ["1", sys.argv[2], 4096], r
' "$url" "$work/py.bin" "$version") || fail "the Python module"

step "the installed library, command and module load no window system"
lib=$(grep -E '/libKVRUpload\.so\.[0-9]+$' "$work/installed")
module=$(grep -E '/dist-packages/kvrupload.*\.so$' "$work/installed")
gui=$(grep -E '/libKVRUploadGui\.so$' "$work/installed")
bash "$src/tests/install/no_window_libraries.sh" "$gui" "$lib" /usr/bin/kvrupload "$module"

step "the installed window module, with a display"
bash "$src/tests/servers/display_start.sh" "$work/display" >/dev/null
display=$(sed -n 's/^DISPLAY=//p' "$work/display/display.env")
(cd / && as_user DISPLAY="$display" /usr/bin/python3 -c \
    'import kvrupload as k; assert k.ui.use_gui(); k.ui.use_headless()') ||
    fail "the window module did not load from its installed place"
# The command hands a run with a display to the windowed build beside the library; a message
# on stderr would mean it or the window module was not found from the installed places.
as_user DISPLAY="$display" kvrupload download "$url" "$work/windowed.bin" >"$work/result.json" \
    2>"$work/windowed.err" || fail "download with a display: $(cat "$work/result.json")"
[ ! -s "$work/windowed.err" ] || fail "the installed command with a display: $(cat "$work/windowed.err")"

step "a C++ program built against the development package"
logged as_user cmake -S "$src/tests/install" -B "$work/outside"
logged as_user cmake --build "$work/outside"
as_user "$work/outside/outside" "$url" "$work/cxx.bin" 4096
# shellcheck disable=SC2046
g++ -std=c++17 "$src/tests/install/outside.cpp" -o "$work/outside-pc" $(pkg-config --cflags --libs kvrupload)
as_user "$work/outside-pc" "$url" "$work/pc.bin" 4096

step "dpkg --purge ${names[*]}"
logged dpkg --purge "${names[@]}"
left=()
# Folders the packages share with the system (/usr, /usr/bin, ...) stay, as they should; their
# own folders go.
while read -r f; do
    if [ -e "$f" ] && { ! [ -d "$f" ] || [[ $f =~ /(kvrupload|KVRUpload)$ ]]; }; then left+=("$f"); fi
done < <(cat "$work/installed"; printf '%s\n' /usr/include/kvrupload /etc/kvrupload /usr/share/kvrupload)
((${#left[@]} == 0)) || fail "left behind: ${left[*]}"
echo "== install check: passed"
