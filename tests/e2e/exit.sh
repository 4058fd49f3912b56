#!/usr/bin/env bash
# Leaving by the exit command: Alt+X, Enter on "确定", Enter on the closing
# dialog; the process ends with status 0 and the terminal is as before.
source "$(dirname "$0")/lib.bash" "$1"

start_wrapped 150 100
wait_for "文件(F)" 0
[[ $(flag alternate_on) == 1 ]] || fail "not on the alternate screen"

leave
[[ $(wait_status) == 0 ]] || fail "exit status $(cat "$E2E_DIR/status")"
expect_restored
# The shell's own screen is back, and what runs after the program prints normally.
wait_for "after: rc=0"
screen | grep -qF "文件(F)" && fail "the program's screen is still shown"
pass "Alt+X, Enter, Enter: status 0, terminal restored"

# Esc in the closing dialog: its answer is not used, the process ends all the same.
start_wrapped 150 100
wait_for "文件(F)" 0
leave Escape
status=$(wait_status)
[[ $status == 0 ]] || fail "exit status $status"
expect_restored
pass "Esc in the closing dialog ends too, status 0"

# Without an alternate screen (TERM=linux has no smcup/rmcup, like GNU screen
# with altscreen off) the program draws on the shell's own screen: leaving
# clears it in the default colours and puts the cursor home, so the shell's
# next line is the first on an otherwise empty pane.
start_wrapped 150 100 "export TERM=linux"
wait_for "文件(F)" 0
[[ $(flag alternate_on) == 0 ]] || fail "TERM=linux has no alternate screen"
leave
[[ $(wait_status) == 0 ]] || fail "exit status $(cat "$E2E_DIR/status")"
wait_for "after: rc=0" 0
expect_restored
[[ -z $(screen | sed 1d | tr -d ' \n') ]] || fail "the program's screen was left behind"
screen_colours | sed 1d | grep -q $'\e\\[[0-9;]*[1-9][0-9]*m' && fail "colours left on the pane"
pass "TERM=linux: Alt+X leaves a cleared screen, the shell on row 0"
