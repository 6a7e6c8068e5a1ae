#!/usr/bin/env bash
# The library, the command and the Python module load no window system: ldd of each names no
# X, FLTK or font library, while the window module (given first) does.
set -euo pipefail
window='lib(X11|Xext|Xft|Xrender|Xinerama|Xfixes|Xcursor|xcb|fltk|fontconfig|freetype)[^ ]*\.so'
# ldd's whole output first (a failing ldd stops the check; grep -q stopping early would fail a pipe).
libs=$(ldd "$1")
grep -Eq "$window" <<<"$libs" ||
    { echo "the window module $1 links no window library: the check cannot see them" >&2; exit 1; }
status=0
for f in "${@:2}"; do
    libs=$(ldd "$f")
    if grep -E "$window" <<<"$libs"; then
        echo "$f loads a window system library" >&2
        status=1
    fi
done
exit $status
