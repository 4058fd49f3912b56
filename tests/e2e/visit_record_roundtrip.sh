#!/usr/bin/env bash
# A department, a patient and a visit record typed through the menus in
# Chinese survive a save, a restart and a load: the visit-record listing
# shows the record's row, field by field in its columns.
source "$(dirname "$0")/lib.bash" "$1"

# type_line TEXT: TEXT as the user types it (UTF-8), then Enter.
type_line() {
    keys -l "$1"
    keys Enter
}

# open_item MENU-KEY ITEM-TEXT HOT-LETTER: Alt+key opens the menu, the hot
# letter runs the item.
open_item() {
    keys "$1"
    wait_for "$2"
    keys "$3"
    wait_gone "$2"
}

start 150 100
wait_for "文件(F)" 0

open_item M-a "[M] 医院科室基本信息" m
wait_for "科室编号："
type_line 7
type_line 内科
type_line 门诊楼二层
type_line 88001234
wait_for "是否继续添加？"
type_line n
wait_gone "是否继续添加？"
pass "a department added"

open_item M-a "[Z] 病人基本信息" z
wait_for "请输入您所要新建的病人信息所属科室的编号："
type_line 7
wait_for "病人编号："
type_line 31
type_line 张三
type_line 13800001111
type_line 1
type_line 海淀区
wait_for "是否继续？"
type_line n
wait_gone "是否继续？"
pass "a patient added"

open_item M-a "[O] 就诊记录基本信息" o
wait_for "请输入您所要添加的就诊记录所属科室的编号："
type_line 7
wait_for "是否需要查看对应病人的详细信息？"
type_line n
wait_for "请输入您所要添加的就诊记录信息所属病人的编号:"
type_line 31
wait_for "实际复诊日期："
type_line 501
type_line 王医生
type_line 12.5
type_line 2024-01-05
type_line 2024-02-05
type_line 2024-02-06
type_line 感冒发热
wait_for "是否继续？Y/N:"
type_line n
wait_gone "是否继续？Y/N:"
pass "a visit record added"

open_item M-f "[S] 数据保存" s
end=$((SECONDS + DEADLINE_S))
until [[ -s $E2E_DIR/record.dat ]] || ((SECONDS >= end)); do sleep 0.05; done
[[ -s $E2E_DIR/depart.dat && -s $E2E_DIR/patient.dat && -s $E2E_DIR/record.dat ]] ||
    fail "the data files were not written"
pass "saved"

# Alt+X, Enter confirms the exit, Enter closes the last pop-up.
keys M-x
wait_for "确认退出系统吗？"
keys Enter
wait_gone "确认退出系统吗？"
wait_for "退出吗？"
keys Enter
wait_flag pane_dead 1
pass "quit"

tmx kill-session -t e2e
start 150 100
wait_for "文件(F)" 0
open_item M-f "[L]数据加载" l
wait_for "就诊记录信息数据文件打开成功!"
pass "loaded after a restart"

# The listings stand in the Help menu, without hot letters: click it.
keys M-h
wait_for "输出就诊记录基本信息"
item_row=$(($(screen | grep -n -F "输出就诊记录基本信息" | head -1 | cut -d: -f1) - 1))
click "$(column_of "输出就诊记录基本信息" "$item_row")" "$item_row"
wait_for "病人编号  记录编号  主治医生姓名" 4

# The row as the listing formats it; a Chinese character is one character of
# capture-pane's text and two cells, so "王医生" takes 6 of its 15 columns.
expected="  31        501        王医生         12.50     2024-01-05  2024-02-05     2024-02-06    感冒发热"
wait_for "感冒发热" 5
actual=$(row 5 | sed 's/ *$//')
[[ $actual == "$expected" ]] || fail "row 5 is \"$actual\", not \"$expected\""
[[ -z $(row 6 | tr -d ' ') ]] || fail "a second record is listed: \"$(row 6)\""
pass "the visit record is listed with its fields"
