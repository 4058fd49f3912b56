#!/usr/bin/env bash
# A listing longer than the screen is read in full: 300 patients listed, the
# header scrolled off the top; Shift+PgUp goes back through the terminal's
# scroll-back until the header is in sight, with the marker on the last row;
# the next key brings the live screen back and does what it does.
source "$(dirname "$0")/lib.bash" "$1"

# One department and 300 patients, in the data files' own layout.
python3 - "$E2E_DIR" <<'PY'
import struct, sys
d = sys.argv[1]
with open(d + "/depart.dat", "wb") as f:
    f.write(struct.pack("<i20s20s15sx8x", 1, "内科".encode("gbk"), b"", b""))
with open(d + "/patient.dat", "wb") as f:
    for i in range(300):
        f.write(struct.pack("<ii20s15sxi30s2x8x", 1, 5000 + i, "病人".encode("gbk"),
                            b"13800000000", 1, "武汉".encode("gbk")))
open(d + "/record.dat", "wb").close()
PY

start 150 100
wait_for "文件(F)" 0
keys M-f
wait_for "[L]数据加载"
keys l
wait_for "就诊记录信息数据文件打开成功!"

keys M-h
wait_for "[T] 帮助主题"
keys Down Down Enter
wait_for "5000"
screen | grep -qF "病人编号" && fail "the header was still on the screen"
pass "300 patients listed, the header scrolled off"

# Each Shift+PgUp goes half a page further up, and the marker's count with
# it: the new count is waited for before the next press.
count=""
for ((i = 0; i < 10; i++)); do
    keys S-PPage
    end=$((SECONDS + DEADLINE_S))
    until [[ $(row 99) =~ "历史 "(-[0-9]+)" 行" && ${BASH_REMATCH[1]} != "$count" ]]; do
        ((SECONDS < end)) || fail "Shift+PgUp did not scroll further up: $(row 99)"
        sleep 0.05
    done
    count=${BASH_REMATCH[1]}
    screen | grep -qF "病人编号" && break
done
wait_for "病人编号"
wait_for "任意键返回" 99
# The box-drawing dashes are drawn one cell wide here, each with its blank.
[[ $(row 99) =~ "─ ─  历史 -"[0-9]+" 行，任意键返回 ─ ─" ]] || fail "no marker on the last row: $(row 99)"
pass "Shift+PgUp brought the header back into sight, the marker below"

keys M-f
wait_for "[L]数据加载"
wait_gone "任意键返回"
screen | grep -qF "5000" || fail "the live screen did not come back"
pass "the next key brought the live screen back, and opened the File menu"
