#!/usr/bin/env bash
# Unsaved work survives the program's end: killed with SIGKILL after two
# departments and a patient were added, or hung up in the middle of a form
# that adds several departments, the next start offers the recovery file
# back, and 确定 brings every completed entry back (the one being typed is
# lost). 取消 removes the file; a session that saves leaves none.
source "$(dirname "$0")/lib.bash" "$1"

type_line() {
    keys -l "$1"
    keys Enter
}

recovery_file=$E2E_DIR/Quorvel.recover

# A department form: number, name, address, telephone.
department() {
    wait_for "科室电话："
    type_line "$1"
    type_line "$2"
    type_line addr
    type_line 555
    wait_for "是否继续添加？"
}

# The departments' listing, from the help menu's first item.
list_departments() {
    keys M-h
    wait_for "输出科室基本信息"
    keys Down
    wait_colours "输出科室基本信息" 2 "37;40"
    keys Enter
    wait_for "科室编号" 2
}

offered_and_taken() {
    wait_for "发现上次未保存的修改，是否恢复？"
    keys Enter
    wait_gone "发现上次未保存的修改，是否恢复？"
}

# A kill at any moment: two departments and a patient come back.
start_wrapped 150 100
wait_for "文件(F)" 0
keys M-a
wait_for "[M]"
keys m
department 1 Alpha
type_line y
department 2 Beta
type_line n
wait_gone "是否继续添加？"
keys M-a
wait_for "[Z]"
keys z
wait_for "所属科室的编号"
type_line 1
wait_for "病人住址："
type_line 11
type_line Patient11
type_line 139
type_line 1
type_line road
wait_for "是否继续？"
type_line n
wait_gone "是否继续？"
[[ -s $recovery_file ]] || fail "no recovery file while work is unsaved"
kill -KILL "$(app_pid)"
[[ $(wait_status) == 137 ]] || fail "the program was not killed"

start_wrapped 150 100
offered_and_taken
list_departments
wait_for "Alpha"
wait_for "Beta"
keys M-h
wait_for "输出病人基本信息"
keys Down Down
wait_colours "输出病人基本信息" 3 "37;40"
keys Enter
wait_for "Patient11"
pass "killed with SIGKILL: the departments and the patient come back"
leave
wait_status >/dev/null
[[ -s $recovery_file ]] || fail "leaving with unsaved work removed the recovery file"

# A hang-up in the middle of the third department of one form: the two
# completed ones come back, the third does not.
rm -f "$recovery_file"
start_wrapped 150 100
wait_for "文件(F)" 0
keys M-a
wait_for "[M]"
keys m
department 3 Gamma
type_line y
department 4 Delta
type_line y
wait_for "科室电话："
type_line 5
type_line Epsilon
pid=$(app_pid)
tmx kill-pane -t e2e
wait_until "the program outlived its terminal" bash -c "! kill -0 $pid 2>/dev/null"

start_wrapped 150 100
offered_and_taken
list_departments
wait_for "Gamma"
wait_for "Delta"
[[ $(screen) != *Epsilon* ]] || fail "the entry being typed came back"
pass "hung up in a form: the completed entries come back"
leave
wait_status >/dev/null

# 取消 removes the file; a session that then saves leaves none.
start_wrapped 150 100
wait_for "发现上次未保存的修改，是否恢复？"
keys Escape
wait_gone "发现上次未保存的修改，是否恢复？"
[[ ! -e $recovery_file ]] || fail "取消 left the recovery file"
keys M-a
wait_for "[M]"
keys m
department 6 Zeta
type_line n
wait_gone "是否继续添加？"
[[ -e $recovery_file ]] || fail "no recovery file while work is unsaved"
keys M-f
wait_for "[S]"
keys s
wait_until "the save left the recovery file" test ! -e "$recovery_file"
leave
wait_status >/dev/null
[[ ! -e $recovery_file ]] || fail "a session that saved left a recovery file"
pass "取消 removes the file, and a session that saves leaves none"
