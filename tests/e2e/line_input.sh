#!/usr/bin/env bash
# Line input in a real terminal: the cursor shows where the typing goes
# (though the program hides it), typed Chinese reaches the program as GBK and
# comes back on the screen, and Backspace takes a whole character.
source "$(dirname "$0")/lib.bash" "$1"

start 150 100
wait_for "文件(F)" 0
# Hidden in the menus: the first frame hides it as its last step, once the
# rest of the screen is drawn (a frame can reach tmux in more than one read).
wait_flag cursor_flag 0

# Add a department: the number is typed at (11, 3), the name at (11, 4).
keys M-a
wait_for "[M] 医院科室基本信息"
keys m
wait_for "科室名称："
wait_cursor 11 3
pass "the cursor shows where the number is typed"

keys 1 2
wait_for "科室编号：12" 3
wait_cursor 13 3
keys Enter
wait_cursor 11 4

keys -l "内科"
wait_for "科室名称：内科" 4
wait_cursor 15 4
pass "typed Chinese comes back on the screen"

keys BSpace
wait_cursor 13 4
[[ $(row 4) == *"科室名称：内" && $(row 4) != *"内科"* ]] || fail "Backspace left: $(row 4)"
pass "Backspace takes the whole character"
