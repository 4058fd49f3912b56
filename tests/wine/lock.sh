#!/usr/bin/env bash
# The folder's lock between the Linux build and the Windows build under Wine.
# Wine's server keeps a Windows byte-range lock as a POSIX lock on the file,
# so the two builds' locks on the first byte of Quorvel.lock see each other:
# each build's lock, taken by lock_holder as the program takes it, keeps the
# other build's out; and quorvel.exe, saving while a Linux copy holds the
# lock, waits for it and writes only once it is let go.
#
#   lock.sh quorvel.exe LINUX-LOCK-HOLDER WINDOWS-LOCK-HOLDER WINE
# WINEPREFIX (and WINEDEBUG) come from the environment.
[[ $# -eq 4 && -f $1 && -x $2 && -f $3 && -x $4 ]] ||
    { echo "usage: $0 quorvel.exe linux-lock_holder lock_holder.exe wine" >&2; exit 2; }
WIN_EXE=$(realpath "$1")
WIN_HOLDER=$(realpath "$3")
WINE=$4
source "$(dirname "$0")/../e2e/lib.bash" "$2"
LINUX_HOLDER=$BIN
[[ -n ${WINEPREFIX:-} ]] || fail "WINEPREFIX is not set"
DEADLINE_S=30
cd "$E2E_DIR"

wine_run=(env WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' "$WINE")

# A holder left running would hold the lock of a folder that is gone. One
# that has ended cannot be killed, which must not fail the trap (set -e).
HOLDER=
trap '[[ -z $HOLDER ]] || kill "$HOLDER" 2>/dev/null || true; e2e_cleanup' EXIT

# hold CMD...: runs a lock holder in the background until it says "held".
# It is the background process itself (exec), so that killing it lets go.
hold() {
    rm -f holder.out
    (exec "$@" >holder.out 2>&1) &
    HOLDER=$!
    local end=$((SECONDS + DEADLINE_S))
    until grep -q held holder.out 2>/dev/null; do
        kill -0 "$HOLDER" 2>/dev/null || fail "the holder ended: $(cat holder.out)"
        ((SECONDS < end)) || fail "the holder did not take the lock"
        sleep 0.05
    done
}

# expect_busy CMD...: one try, without waiting, finds the lock held.
expect_busy() {
    local out
    out=$("$@" 2>&1 | tr -d '\r') || true
    [[ $out == busy ]] || fail "$* gave '$out' beside the other build's lock"
}

hold "$LINUX_HOLDER" exclusive 60000
expect_busy "${wine_run[@]}" "$WIN_HOLDER" shared 0
expect_busy "${wine_run[@]}" "$WIN_HOLDER" exclusive 0
kill "$HOLDER"
wait "$HOLDER" 2>/dev/null || true
pass "the Linux build's lock keeps the Windows build's out"

hold "${wine_run[@]}" "$WIN_HOLDER" shared 60000
out=$("$LINUX_HOLDER" shared 0) || fail "a shared lock beside Wine's shared one: $out"
expect_busy "$LINUX_HOLDER" exclusive 0
kill "$HOLDER"
wait "$HOLDER" 2>/dev/null || true
hold "${wine_run[@]}" "$WIN_HOLDER" exclusive 60000
expect_busy "$LINUX_HOLDER" shared 0
kill "$HOLDER"
wait "$HOLDER" 2>/dev/null || true
pass "the Windows build's lock keeps the Linux build's out"

# quorvel.exe saves while a Linux copy holds the lock for 3 s: it writes
# nothing while the lock is held (it waits up to 5 s), then saves.
cat >"$E2E_DIR/quorvel-wine" <<EOF
#!/bin/sh
WINEPREFIX='$WINEPREFIX' WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' exec '$WINE' '$WIN_EXE'
EOF
chmod +x "$E2E_DIR/quorvel-wine"
BIN=$E2E_DIR/quorvel-wine
E2E_OWN_TITLE=1
start_wrapped 150 100
wait_for "(H)" 0
keys M-f
wait_for "[S]"
hold "$LINUX_HOLDER" exclusive 3000
keys s
while kill -0 "$HOLDER" 2>/dev/null; do
    [[ ! -e depart.dat ]] || fail "quorvel.exe saved while the Linux copy held the lock"
    sleep 0.05
done
end=$((SECONDS + DEADLINE_S))
until [[ -f depart.dat && -f patient.dat && -f record.dat && ! -e Quorvel.commit ]]; do
    ((SECONDS < end)) || fail "quorvel.exe did not save once the lock was let go"
    sleep 0.05
done
pass "quorvel.exe waits for the Linux copy's lock, then saves"
