#!/usr/bin/env bash
# One GBK conversion on both platforms: the program's conversion in the Linux
# build and in the Windows build, and code page 936 as the Windows API gives
# it (under Wine), over the whole Basic Multilingual Plane and every byte and
# byte pair (tests/console/gbk_plane.h). All three must be the same, line for
# line.
#   gbk_plane.sh LINUX-GBK_PLANE GBK_PLANE.EXE GBK_PLANE_API.EXE WINE
# WINEPREFIX (and WINEDEBUG) come from the environment.
set -euo pipefail
[[ $# -eq 4 && -x $4 ]] ||
    { echo "usage: $0 linux-gbk_plane gbk_plane.exe gbk_plane_api.exe wine" >&2; exit 2; }
[[ -x $1 ]] || { echo "FAIL: no $1: build the Linux build's tests first (make build)" >&2; exit 1; }
linux=$(realpath "$1") windows=$(realpath "$2") api=$(realpath "$3") wine=$4
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cd "$dir"

"$linux" linux.txt
"$wine" "$windows" windows.txt </dev/null
"$wine" "$api" api.txt </dev/null

lines=$((0x10000 + 0x100 + 126 * 190))
[[ $(wc -l <api.txt) -eq $lines ]] || { echo "FAIL: api.txt has $(wc -l <api.txt) lines, not $lines" >&2; exit 1; }
status=0
for build in linux windows; do
    if cmp -s api.txt "$build.txt"; then
        echo "ok: the $build build's conversion is code page 936's, over the whole plane"
    else
        echo "FAIL: the $build build differs from code page 936 in" \
             "$(diff api.txt "$build.txt" | grep -c '^<') lines (< Windows API, > $build):" >&2
        diff api.txt "$build.txt" | head -20 >&2 || true
        status=1
    fi
done
exit $status
