#!/usr/bin/env bash
# Alt+letter in a real xterm with its default settings (TERM=xterm, a UTF-8
# locale) under Xvfb: Alt+F then S saves, a click on 文件(F) then S saves, and
# Alt+X leaves. Keys and clicks go through XTEST, as a person's do (xterm
# ignores synthetic events). Skips (77) only when the X tools cannot run here.
source "$(dirname "$0")/lib.bash" "$1"

skip() { echo "SKIP: $*"; exit 77; }
for tool in Xvfb xterm xdotool; do
    command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/install-deps.sh)"
done

X_PIDS=()
trap 'for pid in "${X_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done; e2e_cleanup' EXIT

# Xvfb picks a free display and writes its number once it takes clients.
Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 3>"$E2E_DIR/display" 2>"$E2E_DIR/xvfb.log" &
X_PIDS+=($!)
end=$((SECONDS + DEADLINE_S))
until [[ -s $E2E_DIR/display ]]; do
    kill -0 "${X_PIDS[0]}" 2>/dev/null || skip "Xvfb cannot run: $(tail -1 "$E2E_DIR/xvfb.log")"
    ((SECONDS < end)) || skip "Xvfb did not start"
    sleep 0.05
done
export DISPLAY=":$(cat "$E2E_DIR/display")"

cat >"$E2E_DIR/run.bash" <<EOF
cd "$E2E_DIR"
"$BIN"
echo \$? >"$E2E_DIR/status"
EOF
LANG=C.UTF-8 LC_ALL=C.UTF-8 xterm -e bash "$E2E_DIR/run.bash" 2>"$E2E_DIR/xterm.log" &
X_PIDS+=($!)
# The program's first frame sets the window title.
wid=$(timeout "$DEADLINE_S" xdotool search --sync --name '^Quorvel$' | head -1) || true
if [[ -z $wid ]]; then
    kill -0 "${X_PIDS[1]}" 2>/dev/null || skip "xterm cannot run: $(tail -1 "$E2E_DIR/xterm.log")"
    fail "no xterm window titled Quorvel"
fi
# Keys go to the window under the pointer (there is no window manager).
xdotool mousemove --window "$wid" 1 1

# The three data files, each one's inode and change time: a save replaces them.
saved() { stat -c '%i %z' "$E2E_DIR"/{depart,patient,record}.dat 2>/dev/null || true; }
wait_saved_since() {
    local end=$((SECONDS + DEADLINE_S))
    while ((SECONDS < end)); do
        local now
        now=$(saved)
        [[ $(wc -l <<<"$now") == 3 && $now != "$1" ]] && return 0
        sleep 0.05
    done
    fail "$2: nothing saved"
}

# xterm's screen cannot be read here, so nothing is waited for between the
# keys. None needs it: xterm passes each key on as it comes, in order, and
# its Alt+letter is one character (the letter with the eighth bit set, sent
# as UTF-8), not an Esc that the program tells apart by the pause after it.
xdotool key alt+f s
wait_saved_since "" "Alt+F, S"
pass "Alt+F then S saves"

# xterm's default window: 80 x 24 cells inside a border of 2 pixels.
eval "$(xdotool getwindowgeometry --shell "$wid")"
cell_w=$(((WIDTH - 4) / 80)) cell_h=$(((HEIGHT - 4) / 24))
before=$(saved)
xdotool mousemove --window "$wid" $((2 + 6 * cell_w + cell_w / 2)) $((2 + cell_h / 2)) click 1
xdotool key s
wait_saved_since "$before" "a click on 文件(F), S"
pass "a click on 文件(F) then S saves"

xdotool key alt+x Return Return
end=$((SECONDS + DEADLINE_S))
while [[ ! -s $E2E_DIR/status ]] && ((SECONDS < end)); do sleep 0.05; done
[[ $(cat "$E2E_DIR/status" 2>/dev/null) == 0 ]] || fail "Alt+X, Enter, Enter did not leave with status 0"
pass "Alt+X leaves"
