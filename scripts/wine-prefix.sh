#!/usr/bin/env bash
# Makes the Wine prefix DIR that the Windows build's tests run in, once:
# quietly, without dialogs or the .NET and HTML engines, and within a time
# limit, so that nothing waits for a user. Does nothing when it is there.
set -euo pipefail
[[ $# -eq 1 ]] || { echo "usage: $0 DIR" >&2; exit 2; }
prefix=$1
[[ -f $prefix/system.reg ]] && exit 0
wine=$(command -v wine || command -v wine64 || echo /usr/lib/wine/wine64)
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=
mkdir -p "$prefix"
timeout 240 "$wine" wineboot --init >/dev/null 2>&1 </dev/null ||
    { echo "wineboot failed or took too long" >&2; exit 1; }
# wineboot returns before its last writes; the server's end flushes them.
timeout 60 "$(dirname "$wine")/wineserver" --wait 2>/dev/null ||
    timeout 60 wineserver --wait 2>/dev/null || true
[[ -f $prefix/system.reg ]] || { echo "no Wine prefix made in $prefix" >&2; exit 1; }
