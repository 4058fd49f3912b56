#!/usr/bin/env bash
# Packs the Windows build for Windows users: BUILD/quorvel-<version>-win64.zip
# holding quorvel.exe, README.txt and the manual as text (CRLF line ends,
# UTF-8 with a byte-order mark, so that Notepad shows them right), and the
# sample collection in samples/ (its data files as they are).
#   pack-windows.sh BUILD-DIR
set -euo pipefail
[[ $# -eq 1 && -f $1/quorvel.exe ]] || { echo "usage: $0 build-win (after building quorvel.exe)" >&2; exit 2; }
build=$(realpath "$1")
root=$(cd "$(dirname "$0")/.." && pwd)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:[A-Z]*=//p' "$build/CMakeCache.txt")
[[ -n $version ]] || { echo "no project version in $build/CMakeCache.txt" >&2; exit 1; }
name=quorvel-$version-win64
stage=$build/$name

windows_text() { printf '\xEF\xBB\xBF'; sed 's/$/\r/'; }

rm -rf "$stage" "$build/$name.zip"
mkdir -p "$stage"
cp "$build/quorvel.exe" "$stage/"
windows_text <"$root/docs/README-windows.txt" >"$stage/README.txt"
preconv -e UTF-8 "$root/docs/quorvel.1" | groff -man -Tutf8 -P-c 2>/dev/null | col -bx |
    windows_text >"$stage/quorvel-manual.txt"
mkdir "$stage/samples"
cp "$root"/samples/*.dat "$stage/samples/"
(cd "$build" && zip -q -r -X "$name.zip" "$name")
rm -rf "$stage"
echo "$build/$name.zip"
