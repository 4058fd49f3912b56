#!/usr/bin/env bash
# Menus driven by the mouse: SGR reports as a terminal sends them for clicks
# and motion, down to leaving the program by mouse alone.
source "$(dirname "$0")/lib.bash" "$1"

start_wrapped 150 100
wait_for "文件(F)" 0

# A left click on "查询(Q)" opens the Query menu.
x=$(column_of "查询" 0)
click $((x + 1)) 0
wait_for "[Z] 病人基本信息"
[[ $(colours_at "查询" 0) == "37;40" ]] || fail "the clicked item is not highlighted"
pass "a click on the bar opens that menu"

# With a menu open the pointer leads: moving over "文件(F)" opens the File menu.
x=$(column_of "文件" 0)
move_to $((x + 1)) 0
wait_for "[L]数据加载"
pass "motion over the bar moves the open menu"

# A right click on the base screen closes it.
right_click 100 60
wait_gone "[L]数据加载"
pass "a right click closes the menu"

# Leave by mouse: File, "[X] 退出系统", then "确定" in both dialogs.
click $((x + 1)) 0
wait_for "[X] 退出系统"
y=$(screen | grep -n -F "[X] 退出系统" | head -1 | cut -d: -f1)
y=$((y - 1))
click $(($(column_of "[X]" "$y") + 1)) "$y"
wait_for "确认退出系统吗？"
y=$(screen | grep -n -F "确定" | head -1 | cut -d: -f1)
y=$((y - 1))
click $(($(column_of "确定" "$y") + 1)) "$y"
wait_for "一个窗口样例！退出吗？"
y=$(screen | grep -n -F "确定" | head -1 | cut -d: -f1)
y=$((y - 1))
click $(($(column_of "确定" "$y") + 1)) "$y"
[[ $(wait_status) == 0 ]] || fail "exit status $(cat "$E2E_DIR/status")"
expect_restored
pass "leaving by mouse ends with status 0 and the terminal restored"
