#!/usr/bin/env bash
# The console given back: quorvel.exe runs in a Wine console (in a 150 x 100
# tmux pane) under the probe (probe.cpp), which first sets the console to
# code pages, modes, a title, a cursor and colours that no console starts
# with and writes a line, and describes the console before and after the
# program: the code pages, the input and output modes, the title, the cursor,
# the buffer and window sizes and the text of the rows must be as before.
# Once left by Alt+X (status 0), once by Ctrl+C (status 130).
#   console_restore.sh quorvel.exe probe.exe WINE
# WINEPREFIX (and WINEDEBUG) come from the environment.
[[ $# -eq 3 && -f $1 && -f $2 && -x $3 ]] ||
    { echo "usage: $0 quorvel.exe probe.exe wine (WINEPREFIX set)" >&2; exit 2; }
WINE=$3
source "$(dirname "$0")/../e2e/lib.bash" "$1"
[[ -n ${WINEPREFIX:-} ]] || fail "WINEPREFIX is not set"
DEADLINE_S=30  # Wine starts and draws more slowly than a terminal program
cp "$BIN" "$E2E_DIR/quorvel.exe"
cp "$2" "$E2E_DIR/probe.exe"

# Wine's console draws a double-byte character written as cells twice
# ("确确认认"): the screen with each such pair taken as one.
wait_for_wide() {
    local end=$((SECONDS + DEADLINE_S))
    while ((SECONDS < end)); do
        screen | sed 's/\(.\)\1/\1/g' | grep -qF -- "$1" && return 0
        sleep 0.1
    done
    fail "\"$1\" did not show"
}

ended() { [[ -n $(flag pane_dead_status)$(flag pane_dead_signal) ]]; }

# expect_as_before NAME STATUS: once the program has ended, the console is as
# it was (the probe's description, and what the screen shows), it takes
# input again, and the program's exit status (the probe's) was STATUS.
expect_as_before() {
    local name=$1 want=$2 end=$((SECONDS + DEADLINE_S))
    until [[ -s $E2E_DIR/after.txt ]] || ((SECONDS >= end)); do sleep 0.1; done
    [[ -s $E2E_DIR/after.txt ]] || fail "$name: the program did not end"
    diff "$E2E_DIR/before.txt" "$E2E_DIR/after.txt" >&2 ||
        fail "$name: the console is not as before (< before, > after)"
    wait_for "probe: done"
    # (Less the "^C" the terminal itself echoes: Wine leaves the tty's echo on.)
    local first
    first=$(row 0)
    [[ ${first#^C} == "probe 探针: before" ]] || fail "$name: row 0 shows \"$first\""
    keys Enter  # the probe reads it: the console takes input again
    # tmux marks the pane dead when its terminal closes, and has the status
    # once it has reaped the process, which may be later. Once, beside two
    # busy loops and the other Wine tests, the first key after Ctrl+C was not
    # read; what matters here is that the console takes input again, so a
    # second key may follow, and the probe must end then.
    local first_try=$((SECONDS + 10))
    until ended || ((SECONDS >= first_try)); do sleep 0.1; done
    if ! ended; then
        echo "note: $name: the first key was not read; a second one follows" >&2
        keys Enter
    fi
    wait_until "$name: the probe did not end" ended
    [[ $(flag pane_dead_status) == "$want" ]] ||
        fail "$name: exit status \"$(flag pane_dead_status)\" (signal \"$(flag pane_dead_signal)\"), not $want"
    pass "$name: status $want, the console as before ($(grep -c . "$E2E_DIR/after.txt") lines alike)"
}

# run NAME: the probe in a new pane, and the program under it up to its
# start screen. Wine is the pane's own process, with no shell between: the
# terminal's Ctrl+C is also a SIGINT to the pane's process group, and under
# sh (dash) Wine's console host then stopped taking input.
run() {
    rm -f "$E2E_DIR"/{before,after}.txt
    start 150 100 "$WINE" probe.exe run before.txt after.txt quorvel.exe
    wait_for "(F)" 0
    grep -qx "input code page 850" "$E2E_DIR/before.txt" ||
        fail "$1: the probe did not set the console: $(cat "$E2E_DIR/before.txt")"
}

run "Alt+X"
keys M-x
wait_for_wide "确认退出系统吗"
keys Enter
wait_for_wide "一个窗口样例"
keys Enter
expect_as_before "Alt+X, Enter, Enter" 0

run "Ctrl+C"
keys C-c
expect_as_before "Ctrl+C" 130
