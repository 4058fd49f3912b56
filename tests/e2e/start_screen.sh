#!/usr/bin/env bash
# The start screen in a real terminal: the menu bar's text and colours, the
# blue screen, the title, and the terminal modes the program asks for.
source "$(dirname "$0")/lib.bash" "$1"

start 150 100
wait_for "文件(F)" 0
# The first frame, some 15 KB, can reach tmux in more than one read; it ends
# by hiding the cursor. Once the cursor is hidden the whole screen is there.
wait_flag cursor_flag 0

bar=$(row 0)
labels=("文件(F)" "添加(A)" "修改(M)" "插入(I)" "删除(D)" "查询(Q)" "帮助(H)")
rest=$bar
for label in "${labels[@]}"; do
    [[ $rest == *"$label"* ]] || fail "menu bar lacks \"$label\" (in order): $bar"
    rest=${rest#*"$label"}
done
pass "menu bar labels in order"

# The first item is highlighted (light grey on black), the others black on
# light grey with their hot letters red.
[[ $(colours_at "文件" 0) == "37;40" ]] || fail "first item colours $(colours_at "文件" 0)"
[[ $(colours_at "添加" 0) == "30;47" ]] || fail "second item colours $(colours_at "添加" 0)"
[[ $(colours_at "A)" 0) == "31;47" ]] || fail "hot letter colours $(colours_at "A)" 0)"
pass "menu bar colours"

# The screen below is bright yellow on blue; the state bar black on grey.
[[ $(colours_at end 1) == "93;44" ]] || fail "row 1 colours $(colours_at end 1)"
[[ $(colours_at end 50) == "93;44" ]] || fail "row 50 colours $(colours_at end 50)"
[[ $(colours_at end 99) == "30;47" ]] || fail "state bar colours $(colours_at end 99)"
pass "screen colours"

[[ $(flag pane_title) == "Quorvel" ]] || fail "title is \"$(flag pane_title)\""
[[ $(flag alternate_on) == 1 ]] || fail "not on the alternate screen"
[[ $(flag mouse_any_flag) == 1 && $(flag mouse_sgr_flag) == 1 ]] || fail "mouse reporting is off"
pass "title and terminal modes (the cursor hidden, waited for above)"
