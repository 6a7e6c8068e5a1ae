#!/usr/bin/env bash
# The library, the command and the Python module load no window system: ldd of each names no
# X, FLTK or font library, while the window module (given first) does.
set -euo pipefail
window='lib(X11|Xext|Xft|Xrender|Xinerama|Xfixes|Xcursor|xcb|fltk|fontconfig|freetype)[^ ]*\.so'
gui=$1
shift
# ldd's whole output first: grep -q stopping early would fail the pipe under pipefail.
libs=$(ldd "$gui")
grep -Eq "$window" <<<"$libs" || {
    echo "the window module $gui links no window library: the check cannot see them" >&2
    exit 1
}
status=0
for f in "$@"; do
    libs=$(ldd "$f")
    if grep -E "$window" <<<"$libs"; then
        echo "$f loads a window system library" >&2
        status=1
    fi
done
exit $status
