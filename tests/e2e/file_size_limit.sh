#!/usr/bin/env bash
# Under a file-size limit (ulimit -f) a save and a backup that pass it fail
# like any failed write: the message, the previous files untouched, nothing
# left beside them, and the program goes on to a normal exit.
source "$(dirname "$0")/lib.bash" "$1"

samples=$(realpath "$(dirname "$0")/../../samples")
cp "$samples"/*.dat "$E2E_DIR"/
echo "an earlier backup" >"$E2E_DIR/BackupSysData.dat"

# 1 KiB: patient.dat alone takes more.
start_wrapped 150 100 "ulimit -f 1"
wait_for "文件(F)" 0
keys M-f
wait_for "[L]数据加载"
keys l
wait_for "就诊记录信息数据文件打开成功!"

keys M-f
wait_for "[S] 数据保存"
keys s
wait_for "数据保存失败！原数据文件未改动。按任意键返回"
keys x
keys M-f
wait_for "[B] 数据备份"
keys b
wait_for "数据备份失败！原备份文件未改动。按任意键返回"
keys x
for f in depart.dat patient.dat record.dat; do
    cmp -s "$samples/$f" "$E2E_DIR/$f" || fail "$f changed"
done
[[ $(cat "$E2E_DIR/BackupSysData.dat") == "an earlier backup" ]] || fail "the backup changed"
stray=$(cd "$E2E_DIR" && ls | grep -E '\.tmp$|^Quorvel\.commit' || true)
[[ -z $stray ]] || fail "left behind: $stray"
pass "a save and a backup past the limit fail, and the files stay"

leave
status=$(wait_status)
[[ $status == 0 ]] || fail "exit status $status: the program did not live on"
expect_restored
pass "the program lives on to a normal exit"
