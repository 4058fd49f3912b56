#!/usr/bin/env bash
# Menus driven from the keyboard of a real terminal: Alt+letter in both forms
# terminals send it, arrows, Enter, and a lone Esc told apart from them.
source "$(dirname "$0")/lib.bash" "$1"

start 150 100
wait_for "文件(F)" 0

# Alt+A as the ESC prefix tmux sends for Meta.
keys M-a
wait_for "[M] 医院科室基本信息"
wait_for "[O] 就诊记录基本信息"
[[ $(colours_at "添加" 0) == "37;40" ]] || fail "Alt+A did not highlight the second item"
pass "Alt+A opens the Add menu"

# A lone Esc, after the timeout that tells it from a sequence, closes it.
keys Escape
wait_gone "[M] 医院科室基本信息"
pass "Esc closes the menu"

keys M-f
wait_for "[L]数据加载"
wait_for "[X] 退出系统  Alt+X"
pass "Alt+F opens the File menu"

# Right arrow with a menu open: the neighbouring menu opens, first item lit.
keys Right
wait_gone "[L]数据加载"
wait_for "[M] 医院科室基本信息"
[[ $(colours_at "添加" 0) == "37;40" ]] || fail "Right did not move to the second item"
[[ $(colours_at "文件" 0) == "30;47" ]] || fail "the first item is still highlighted"
pass "Right arrow moves to the next menu"

# Down moves the sub-menu's highlight; its colours follow.
item_row=$(screen | grep -n -F "[Z] 病人基本信息" | head -1 | cut -d: -f1)
item_row=$((item_row - 1))
before=$(colours_at "[Z]" "$item_row")
keys Down
end=$((SECONDS + DEADLINE_S))
while [[ $(colours_at "[Z]" "$item_row") == "$before" ]] && ((SECONDS < end)); do sleep 0.05; done
[[ $(colours_at "[Z]" "$item_row") != "$before" ]] || fail "Down did not move the highlight"
pass "Down moves the sub-menu highlight"

keys Escape
wait_gone "[Z] 病人基本信息"
# Enter on the bar opens the highlighted item's menu.
keys Enter
wait_for "[Z] 病人基本信息"
pass "Enter opens the highlighted menu"

# Typing a letter: the hot letter of the bar (no Alt) with nothing open.
keys Escape
wait_gone "[Z] 病人基本信息"
keys h
wait_for "[T] 帮助主题"
pass "a bare hot letter opens its menu"

# ESC and x as two keys sent at once (tmux writes them in one go, well inside
# the pause that tells a lone Esc): Alt+X (the exit command), where a bare
# x would do nothing. The Esc before it is seen to close the menu first.
keys Escape
wait_gone "[T] 帮助主题"
keys Escape x
wait_for "确认退出系统吗？"
pass "ESC x is Alt+X"
keys Escape
wait_gone "确认退出系统吗？"
pass "Esc cancels the exit dialog"
