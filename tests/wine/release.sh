#!/usr/bin/env bash
# What a Windows user is handed: quorvel.exe stripped, with version
# information (the project's version, product, file description) and an
# application manifest; "quorvel.exe /?" showing the help as --help does; and
# the zip of scripts/pack-windows.sh holding exactly the exe, the README and
# the manual as text, and the sample collection in a folder of its own.
#   release.sh BUILD-WIN VERSION probe.exe WINE
# WINEPREFIX (and WINEDEBUG) come from the environment.
set -euo pipefail
[[ $# -eq 4 && -f $1/quorvel.exe && -f $3 && -x $4 ]] ||
    { echo "usage: $0 build-win version probe.exe wine (WINEPREFIX set)" >&2; exit 2; }
build=$(realpath "$1") version=$2 probe=$3 wine=$4
root=$(cd "$(dirname "$0")/../.." && pwd)
exe=$build/quorvel.exe
fail() { echo "FAIL: $*" >&2; exit 1; }
pass() { echo "ok: $*"; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Stripped: no symbol table, no debugging sections.
x86_64-w64-mingw32-nm "$exe" 2>&1 | grep -q "no symbols" || fail "quorvel.exe has symbols"
! x86_64-w64-mingw32-objdump -h "$exe" | grep -q '\.debug' || fail "quorvel.exe has debugging sections"
pass "quorvel.exe is stripped ($(stat -c %s "$exe") bytes)"

"$wine" "$probe" version "$exe" </dev/null | tr -d '\r' >"$scratch/version"
expect_line() { grep -qxF -- "$1" "$scratch/version" || fail "no \"$1\" in: $(cat "$scratch/version")"; }
expect_line "file version $version.0"
expect_line "ProductName Quorvel"
expect_line "ProductVersion $version"
expect_line "FileVersion $version"
expect_line "FileDescription Quorvel - hospital records in a console"
expect_line "OriginalFilename quorvel.exe"
expect_line "manifest yes"
grep -q 'requestedExecutionLevel level="asInvoker"' "$scratch/version" || fail "the manifest asks for no execution level"
grep -q "version=\"$version.0\"" "$scratch/version" || fail "the manifest names another version"
pass "version information $version and a manifest"

# "/?" is how Windows programs are asked for help.
"$wine" "$exe" --help </dev/null >"$scratch/help" || fail "--help: status $?"
"$wine" "$exe" '/?' </dev/null >"$scratch/slash" || fail "/?: status $?"
grep -q "Usage: quorvel" "$scratch/help" || fail "--help shows no usage: $(head -3 "$scratch/help")"
cmp -s "$scratch/help" "$scratch/slash" || fail "/? differs from --help: $(diff "$scratch/help" "$scratch/slash")"
pass "quorvel.exe /? shows the help as --help does"

zip=$("$root/scripts/pack-windows.sh" "$build")
name=quorvel-$version-win64
expected="$name/
$name/README.txt
$name/quorvel-manual.txt
$name/quorvel.exe
$name/samples/
$name/samples/depart.dat
$name/samples/patient.dat
$name/samples/record.dat"
listed=$(unzip -Z1 "$zip" | LC_ALL=C sort)
[[ $listed == "$expected" ]] || fail "the zip holds: $listed"
unzip -q "$zip" -d "$scratch"
cmp "$exe" "$scratch/$name/quorvel.exe" || fail "the zip's exe is not the build's"
for f in "$root"/samples/*.dat; do
    cmp "$f" "$scratch/$name/samples/$(basename "$f")" || fail "the zip's $(basename "$f") differs"
done
grep -q $'^ *cd samples\r$' "$scratch/$name/README.txt" || fail "README.txt does not say how to try the samples"
pass "the zip holds the exe, README.txt, the manual and samples/ ($zip)"
