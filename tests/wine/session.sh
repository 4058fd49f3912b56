#!/usr/bin/env bash
# quorvel.exe in Wine's console, in a 150 x 100 tmux pane, against the Linux
# build on the same keys. Wine's console shows ASCII text and colours at the
# right cells, but not double-byte characters written as cells (it draws
# them doubled), and it sends no mouse records: so the screen is checked for
# ASCII text only (Wine leaves behind what it drew doubled when the cells
# beneath come back: a closed menu's right edge stays, but its "[L]" goes).
# Wine's console makes its key records from each chunk it reads from the
# terminal, and Esc then Alt+A read in one chunk (ESC ESC a) come out as
# neither; on a busy machine two keys sent one after the other can arrive in
# one chunk. So after each key whose meaning depends on the one before, the
# script waits, with a deadline, for what that key shows (a menu drawn or
# gone, the form's cursor, a dialog) before it sends the next.
# Checked: the start screen's ASCII text and colours; Alt+F opening the File
# menu and Esc closing it; a department typed through its form (ASCII on the
# screen, a Chinese address in the files); save; the data files byte for byte
# the Linux build's; Alt+X, Enter, Enter ending with status 0 and the
# terminal as before.
#
#   session.sh quorvel.exe LINUX-QUORVEL WINE
# WINEPREFIX (and WINEDEBUG) come from the environment.
[[ $# -eq 3 && -f $1 && -x $3 ]] ||
    { echo "usage: $0 quorvel.exe linux-quorvel wine (WINEPREFIX set)" >&2; exit 2; }
WIN_EXE=$(realpath "$1")
WINE=$3
source "$(dirname "$0")/../e2e/lib.bash" "$2"
[[ -n ${WINEPREFIX:-} ]] || fail "WINEPREFIX is not set"
DEADLINE_S=30  # Wine starts and draws more slowly than a terminal program

LINUX_BIN=$BIN
cat >"$E2E_DIR/quorvel-wine" <<EOF
#!/bin/sh
WINEPREFIX='$WINEPREFIX' WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml=' exec '$WINE' '$WIN_EXE'
EOF
chmod +x "$E2E_DIR/quorvel-wine"

type_line() {
    keys -l "$1"
    keys Enter
}

# until_saved: waits, or fails, until the three data files are in place and
# the commit record that named them is gone: the save's last step.
until_saved() {
    local end=$((SECONDS + DEADLINE_S))
    until [[ -s $E2E_DIR/depart.dat && -f $E2E_DIR/patient.dat && -f $E2E_DIR/record.dat &&
             ! -e $E2E_DIR/Quorvel.commit ]]; do
        ((SECONDS < end)) || fail "the data files were not written: $(ls "$E2E_DIR")"
        sleep 0.05
    done
}

# The dashed rule across the exit dialogs, as wide as their text: ASCII, so
# it shows in Wine's console too.
rule() { printf -- '-%.0s' $(seq "$1"); }

# The one session, for both builds; $1 names the build in messages.
session() {
    local build=$1
    start_wrapped 150 100
    # The bar's last label, then the rows below: the first frame can come in
    # more than one read.
    wait_for "(H)" 0
    wait_colours end 50 "93;44"
    local bar
    bar=$(row 0)
    [[ $bar =~ \(F\).*\(A\).*\(M\).*\(I\).*\(D\).*\(Q\).*\(H\) ]] || fail "menu bar: $bar"
    # The hot letters red on light grey, the bar black on light grey, the
    # screen below bright yellow on blue (waited for above).
    [[ $(colours_at "A)" 0) == "31;47" ]] || fail "$build: hot letter colours $(colours_at "A)" 0)"
    [[ $(colours_at "(A" 0) == "30;47" ]] || fail "$build: menu bar colours $(colours_at "(A" 0)"
    pass "$build: the start screen's ASCII text and colours"

    keys M-f
    for item in "[L]" "[S]" "[B]" "[R]" "[X]" "Alt+X"; do
        wait_for "$item"
    done
    # A lone Esc: closed before Alt+A is sent, or the two could be read as one.
    keys Escape
    wait_gone "[L]"
    pass "$build: Alt+F opens the File menu, Esc closes it"

    # Add, [M] departments: number, name, address, phone, then "no more".
    keys M-a
    wait_for "[M]"
    keys m
    # The form is drawn and reads the number: the cursor shows at its field.
    wait_cursor 11 3
    type_line 7
    type_line Cardiology
    wait_for "Cardiology"
    # Typed Chinese (UTF-8 into the terminal, UTF-16 records from Wine's
    # console) is not checked on the screen, only in the files below.
    type_line 门诊楼二层
    type_line 88001234
    wait_for "88001234"
    wait_for "'Y'or 'N':"
    type_line n
    # Back in the menus, where the cursor is hidden.
    wait_flag cursor_flag 0
    pass "$build: a department typed through its form"

    keys M-f
    wait_for "[S]"
    keys s
    until_saved
    wait_gone "[L]"
    pass "$build: saved"

    # The exit question's rule, then the closing dialog's, wider.
    keys M-x
    wait_for "$(rule 20)" 50
    keys Enter
    wait_for "$(rule 26)" 50
    keys Enter
    local status
    status=$(wait_status)
    [[ $status == 0 ]] || fail "$build: exit status $status"
    expect_restored
    pass "$build: Alt+X, Enter, Enter: status 0, terminal as before"
}

session linux
mkdir "$E2E_DIR/linux"
mv "$E2E_DIR"/*.dat "$E2E_DIR/linux/"

BIN=$E2E_DIR/quorvel-wine
# Wine's console keeps a title of its own and cannot read the pane's.
E2E_OWN_TITLE=1
session wine
for f in depart.dat patient.dat record.dat; do
    [[ -f $E2E_DIR/$f ]] || fail "wine: $f missing"
    cmp "$E2E_DIR/linux/$f" "$E2E_DIR/$f" || fail "$f differs from the Linux build's"
done
[[ $(stat -c %s "$E2E_DIR/depart.dat") -gt 0 ]] || fail "depart.dat is empty"
pass "the data files are byte for byte the Linux build's"
