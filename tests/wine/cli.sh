#!/usr/bin/env bash
# quorvel.exe --check and --export under Wine, on folders whose names hold
# Chinese characters and a space: the arguments reach the program as UTF-16
# and the store opens the paths they name, whatever Wine's code page. The
# report is the Linux build's, the CSV files are byte for byte the Linux
# build's, the messages name the folder as it was given, and a lock that a
# Linux process holds makes it end with status 3.
#
#   cli.sh quorvel.exe LINUX-QUORVEL WINE
# WINEPREFIX (and WINEDEBUG) come from the environment.
[[ $# -eq 3 && -f $1 && -x $3 ]] ||
    { echo "usage: $0 quorvel.exe linux-quorvel wine" >&2; exit 2; }
WIN_EXE=$(realpath "$1")
WINE=$3
source "$(dirname "$0")/../e2e/lib.bash" "$2"
[[ -n ${WINEPREFIX:-} ]] || fail "WINEPREFIX is not set"
SAMPLES=$(realpath "$(dirname "$0")/../../samples")
cd "$E2E_DIR"

DATA="数据 文件夹"
mkdir "$DATA"
cp "$SAMPLES"/*.dat "$DATA"/
# The folders as Windows paths on Wine's drive Z: (the root of the file system).
win_path() { local p="Z:$E2E_DIR/$1"; echo "${p//\//\\}"; }

# wine_run ARGS...: quorvel.exe, standard output through a pipe; sets status
# and leaves out (without the CRs of the C runtime's text mode) and err.
wine_run() {
    set +e
    WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' "$WINE" "$WIN_EXE" "$@" </dev/null 2>err |
        tr -d '\r' >out
    status=${PIPESTATUS[0]}
    set -e
}

"$BIN" --check "$DATA" >linux.out 2>/dev/null || fail "the Linux build's --check"
wine_run --check "$(win_path "$DATA")"
[[ $status -eq 0 ]] || fail "--check: status $status: $(cat out err)"
cmp -s out linux.out || fail "--check printed: $(diff linux.out out)"
grep -qF "$DATA/Quorvel.lock, reading without the lock" err || fail "--check said: $(cat err)"
pass "--check of a Chinese folder name: the Linux build's report, status 0"

"$BIN" --export linux-csv "$DATA" 2>/dev/null || fail "the Linux build's --export"
wine_run --export "$(win_path "导出 结果")" "$(win_path "$DATA")"
[[ $status -eq 0 ]] || fail "--export: status $status: $(cat out err)"
for f in departments.csv patients.csv records.csv; do
    cmp "linux-csv/$f" "导出 结果/$f" || fail "$f differs from the Linux build's"
done
wine_run --export "$(win_path "导出 结果")" "$(win_path "$DATA")"
[[ $status -eq 1 ]] || fail "--export over files already there: status $status"
pass "--export into a Chinese folder name: the Linux build's files; no overwriting"
