#!/bin/sh
# wine_output.sh PREFIX OUTPUT PROGRAM: runs a Windows program headless under Wine (in its
# own prefix) and writes what it prints to OUTPUT, with Unix line ends.
set -e
prefix=$1 output=$2
shift 2
WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY= wine "$@" | tr -d '\r' >"$output.tmp"
mv "$output.tmp" "$output"
