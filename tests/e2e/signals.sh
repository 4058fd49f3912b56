#!/usr/bin/env bash
# Every way out gives the terminal back: SIGTERM, Ctrl+C, a crash signal,
# hang-up, and one signal of each other kind that ends a process (user,
# timer, trap, resource limit, power, real-time); Ctrl+Z suspends with the
# terminal given back and fg repaints.
source "$(dirname "$0")/lib.bash" "$1"

# wait_gone_pid PID: until the process has ended, or fail.
wait_gone_pid() {
    local end=$((SECONDS + DEADLINE_S))
    while kill -0 "$1" 2>/dev/null; do
        ((SECONDS < end)) || fail "process $1 still runs"
        sleep 0.05
    done
}

for case in TERM:143 INT:130 SEGV:139 ABRT:134 QUIT:131 \
            USR1:138 ALRM:142 TRAP:133 XCPU:152 PWR:158 RTMIN:162; do
    sig=${case%:*} want=${case#*:}
    start_wrapped 150 100
    wait_for "文件(F)" 0
    keys M-a  # a pop-up open: the screen is not just the start screen
    wait_for "[M] 医院科室基本信息"
    pid=$(app_pid)
    [[ -n $pid ]] || fail "no program process"
    kill -s "$sig" "$pid"
    status=$(wait_status)
    [[ $status == "$want" ]] || fail "SIG$sig: status $status, not $want"
    expect_restored
    wait_for "after: rc=$want"
    pass "SIG$sig: terminal restored, status $want"
    stop_server
done

# Ctrl+C from the keyboard interrupts like SIGINT.
start_wrapped 150 100
wait_for "文件(F)" 0
keys C-c
status=$(wait_status)
[[ $status == 130 ]] || fail "Ctrl+C: status $status"
expect_restored
pass "Ctrl+C: terminal restored, status 130"
stop_server

# Hang-up: the terminal goes away and the program ends at once.
start_wrapped 150 100
wait_for "文件(F)" 0
pid=$(app_pid)
stop_server
wait_gone_pid "$pid"
pass "hang-up ends the program"

# With SIGHUP ignored (nohup), the end of input ends it just as well.
start_wrapped 150 100 "trap '' HUP"
wait_for "文件(F)" 0
pid=$(app_pid)
stop_server
wait_gone_pid "$pid"
pass "end of input ends the program"

# Ctrl+Z in an interactive shell: the shell gets a normal terminal; fg brings
# the program back, repainted.
start 150 100 bash --norc --noprofile -i
wait_flag pane_current_command bash
keys "PS1='$ '; clear" Enter
keys "'$BIN'; echo after: rc=\$?" Enter
wait_for "文件(F)" 0
keys M-f
wait_for "[L]数据加载"
keys C-z
wait_for "Stopped"
expect_restored
pass "Ctrl+Z: suspended with the terminal restored"
keys "fg" Enter
wait_for "文件(F)" 0
wait_for "[L]数据加载"
wait_flag alternate_on 1
[[ $(flag mouse_any_flag) == 1 ]] || fail "mouse reporting not back after fg"
pass "fg: repainted, modes back"
keys Escape
wait_gone "[L]数据加载"
leave
wait_flag alternate_on 0
# fg returns the job's status.
keys "echo fg: rc=\$?" Enter
wait_for "fg: rc=0"
expect_restored
pass "after resuming the program still ends cleanly"
