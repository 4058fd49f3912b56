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
[[ $(colours_at end 99) == "93;44" ]] || fail "the last row is not painted after the resize"
pass "a resize repaints at once"

# Shrinking again keeps the open menu in view.
tmx resize-window -t e2e -x 40 -y 10
wait_for "[L]数据加载"
pass "a shrunken terminal still shows the open menu"
