#!/usr/bin/env bash
# quorvel --check and --export as a script or cron runs them: no terminal,
# standard input /dev/null, standard output a pipe. The samples' report; the
# export of the samples read back by Python's csv module (the rows, the
# Chinese), and of a department whose fields hold a comma, quotes and a line
# break; a lock held by another process (status 3 after the 5 s wait); and,
# in a terminal, its modes left as they were. (Each kind of problem, and what
# makes export write nothing: tests/cli/.)
#   cli.sh quorvel lock_holder
source "$(dirname "$0")/lib.bash" "$1"
[[ $# -eq 2 && -x $2 ]] || { echo "usage: $0 quorvel lock_holder" >&2; exit 2; }
HOLDER_BIN=$(realpath "$2")
SAMPLES=$(realpath "$(dirname "$0")/../../samples")
cd "$E2E_DIR"
mkdir data
cp "$SAMPLES"/*.dat data/

# run ARGS...: quorvel in a session of its own (no controlling terminal), its
# standard output through a pipe; sets status, and leaves out and err.
run() {
    set +e
    setsid -w "$BIN" "$@" </dev/null 2>err | cat >out
    status=${PIPESTATUS[0]}
    set -e
}

run --check data
[[ $status -eq 0 ]] || fail "--check of the samples: status $status: $(cat out err)"
[[ $(cat out) == "depart.dat: 4 departments
patient.dat: 12 patients
record.dat: 20 visit records
BackupSysData.dat: absent
no problems found" ]] || fail "--check of the samples printed: $(cat out)"
grep -q "no data/Quorvel.lock, reading without the lock" err || fail "no note: $(cat err)"
[[ ! -e data/Quorvel.lock ]] || fail "--check made the lock file"
pass "--check of the samples: the counts, status 0"

run --export csv data
[[ $status -eq 0 && ! -s out ]] || fail "--export of the samples: status $status: $(cat out err)"
python3 - csv <<'PY' || fail "the samples' CSV files, read back"
import csv, os, sys

def rows(name):
    path = os.path.join(sys.argv[1], name)
    raw = open(path, 'rb').read()
    assert raw.startswith(b'\xef\xbb\xbf'), name + ': no byte-order mark'
    assert raw.count(b'\n') == raw.count(b'\r\n'), name + ': a line not ended by CRLF'
    with open(path, newline='', encoding='utf-8-sig') as f:
        return list(csv.reader(f))

departs = rows('departments.csv')
assert departs == [['科室编号', '科室名称', '科室地址', '科室电话'],
                   ['1', '内科', '门诊楼二层', '027-87541201'],
                   ['2', '外科', '门诊楼三层', '027-87541202'],
                   ['3', '儿科', '门诊楼一层', '027-87541203'],
                   ['4', '眼科', '综合楼四层', '027-87541204']], departs
patients = rows('patients.csv')
assert patients[0] == ['科室编号', '病人编号', '病人姓名', '病人电话', '病人性别', '病人住址']
assert [p[1] for p in patients[1:]] == [str(n) for n in range(1001, 1013)], patients
records = rows('records.csv')
assert records[0] == ['科室编号', '病人编号', '记录编号', '主治医生', '就诊费用', '就诊日期',
                      '计划复诊日期', '实际复诊日期', '详细说明'], records[0]
assert [r[2] for r in records[1:]] == [str(n) for n in range(2001, 2021)], records
assert records[1] == ['1', '1001', '2001', '李建国', '45.00', '2026-03-01', '2026-03-08',
                      '2026-03-09', '高血压复查，调整降压药剂量'], records[1]
assert records[-1] == ['4', '1012', '2020', '周文博', '60.00', '2026-03-23', '2026-05-23',
                       '2026-05-25', '症状缓解，定期复查'], records[-1]
PY
pass "--export of the samples: the rows and the Chinese, read by Python's csv module"

# One department as another writer of the format would leave it (68 bytes:
# number, name 20, address 20, telephone 15, padding and link slots), its
# fields holding a comma, quotes and a line break; no patient or record file.
mkdir odd
python3 - <<'PY'
import struct
def text(s, width):
    b = s.encode('gbk')
    return b + b'\0' * (width - len(b))
rec = struct.pack('<i', 7) + text('急诊,"夜间"', 20) + text('一楼\r\n东侧', 20) + text('120', 15) + bytes(9)
assert len(rec) == 68
open('odd/depart.dat', 'wb').write(rec)
PY
run --export odd-csv odd
[[ $status -eq 0 ]] || fail "--export of one department: status $status: $(cat err)"
python3 - <<'PY' || fail "the quoted fields, read back"
import csv
with open('odd-csv/departments.csv', newline='', encoding='utf-8-sig') as f:
    got = list(csv.reader(f))
assert got[1:] == [['7', '急诊,"夜间"', '一楼\r\n东侧', '120']], got
raw = open('odd-csv/departments.csv', 'rb').read().decode('utf-8')
assert '\r\n7,"急诊,""夜间""","一楼\r\n东侧",120\r\n' in raw, raw
PY
pass "--export: a field with a comma and quotes, one with a line break"

# Another process holds the folder's lock as the program takes it.
HOLDER=
trap '[[ -z $HOLDER ]] || kill "$HOLDER" 2>/dev/null || true; e2e_cleanup' EXIT
(cd data && exec "$HOLDER_BIN" exclusive 60000 >../holder.out 2>&1) &
HOLDER=$!
wait_until "the holder did not take the lock" grep -q held holder.out
start_ns=$(date +%s%N)
run --check data
waited_ms=$((($(date +%s%N) - start_ns) / 1000000))
[[ $status -eq 3 && ! -s out ]] || fail "--check beside a held lock: status $status: $(cat out err)"
((waited_ms >= 5000)) || fail "--check gave up after $waited_ms ms"
grep -q "another copy of Quorvel held data/Quorvel.lock all of 5 s" err || fail "it said: $(cat err)"
kill "$HOLDER"
wait "$HOLDER" 2>/dev/null || true
HOLDER=
pass "--check beside a lock held for 5 s: status 3, no report (--export: tests/cli)"

# In a terminal: standard output a pipe, the terminal's modes untouched.
printf '#!/bin/sh\n"%s" --check "%s" | cat >"%s"\n' "$BIN" "$E2E_DIR/data" "$E2E_DIR/tty.out" \
    >"$E2E_DIR/check-in-tty"
chmod +x "$E2E_DIR/check-in-tty"
BIN=$E2E_DIR/check-in-tty
start_wrapped 80 24
[[ $(wait_status) == 0 ]] || fail "--check in a terminal"
grep -qx "no problems found" tty.out || fail "--check in a terminal printed: $(cat tty.out)"
expect_restored
pass "--check in a terminal leaves its modes as they were"
