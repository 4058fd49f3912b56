#!/usr/bin/env bash
# A terminal smaller than the 150 x 100 screen: the view follows the open
# pop-up, mouse positions map through it, PgUp/PgDn and the wheel scroll it,
# and resizing repaints at once.
source "$(dirname "$0")/lib.bash" "$1"

start 80 24
wait_for "文件(F)" 0
pass "the top-left corner shows first"

# The exit dialog stands at rows 46 to 52: the view scrolls to it.
keys M-x
wait_for "确认退出系统吗？"
y=$(screen | grep -n -F "取消" | head -1 | cut -d: -f1)
y=$((y - 1))
((y < 24)) || fail "dialog not in view"
pass "the view follows the exit dialog"

# A click on "取消" where the terminal shows it: the position is mapped to
# the buffer cell under it, and the dialog is cancelled.
click $(($(column_of "取消" "$y") + 1)) "$y"
wait_gone "确认退出系统吗？"
pass "a click maps through the view"

# A sub-menu near the top: the view goes back up, menu bar included.
keys M-f
wait_for "[L]数据加载"
wait_for "文件(F)" 0
pass "the view follows a sub-menu back to the top"

# PgDn and PgUp scroll the view; they do not reach the program.
keys PageDown
wait_gone "[L]数据加载"
keys PageUp
wait_for "[L]数据加载"
wait_for "文件(F)" 0
pass "PgDn and PgUp scroll the view"

# The wheel scrolls by three rows.
sgr 65 10 10 M
end=$((SECONDS + DEADLINE_S))
while [[ $(row 0) == *"文件(F)"* ]] && ((SECONDS < end)); do sleep 0.05; done
[[ $(row 0) != *"文件(F)"* ]] || fail "the wheel did not scroll"
sgr 64 10 10 M
wait_for "文件(F)" 0
# The menu is still open: neither PgDn nor the wheel reached the program.
wait_for "[L]数据加载"
pass "the wheel scrolls the view"

# Growing the terminal shows the whole screen at once.
tmx resize-window -t e2e -x 150 -y 100
wait_for "帮助(H)" 0
wait_for "[L]数据加载"
[[ $(screen | wc -l) -ge 100 ]] || fail "not the full screen"
# (The repaint is the whole screen, more than one read of the terminal.)
wait_colours end 99 "93;44"
pass "a resize repaints at once"

# Shrinking again keeps the open menu in view.
tmx resize-window -t e2e -x 40 -y 10
wait_for "[L]数据加载"
pass "a shrunken terminal still shows the open menu"

# The view goes back to the top-left corner once what the program waits on
# fits there. At 80 x 24 the help menu moves the view right; the visit-record
# listing that follows shows from column 0, its numbers in sight.
samples="$(dirname "$0")/../../samples"
cp "$samples"/{depart,patient,record}.dat "$E2E_DIR"/
start 80 24
wait_for "文件(F)" 0
keys M-f
wait_for "[L]数据加载"
keys l
wait_for "就诊记录信息数据文件打开成功!"
keys M-h
wait_for "[T] 帮助主题"
[[ $(row 0) != *"文件(F)"* ]] || fail "the help menu did not move the view"
keys Down Down Down Enter
wait_for "  1001      2001"
screen | grep -q '^  病人编号  记录编号' || fail "the listing's first column is not in view"
pass "80 x 24: after the help menu the visit-record listing shows from column 0"

# At 40 x 10 the department listing after the help menu is not blank.
start 40 10
wait_for "文件(F)" 0
keys M-f
wait_for "[L]数据加载"
keys l
wait_for "病人信息" 9  # the load is done: its screen comes in one frame
keys M-h
wait_for "[T] 帮助主题"
keys Down Enter
wait_for "内科"
screen | grep -q '^  科室编号' || fail "the department listing is not in view"
pass "40 x 10: after the help menu the department listing is in view"
