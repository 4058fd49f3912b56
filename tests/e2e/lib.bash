# Helpers of the end-to-end tests: each test script sources this file with
# the program's path as its argument. The program runs in a private tmux
# server (its own socket), in a scratch working directory; both go away when
# the script ends, whatever way it ends.

set -euo pipefail
export LC_ALL=C.UTF-8

[[ $# -ge 1 && -x $1 ]] || { echo "usage: $0 path/to/quorvel" >&2; exit 2; }
BIN=$(realpath "$1")
command -v tmux >/dev/null || { echo "tmux is needed for the end-to-end tests" >&2; exit 1; }

E2E_DIR=$(mktemp -d)
E2E_SOCK="quorvel-e2e-$$-$RANDOM"
E2E_SERVERS=0
DEADLINE_S=${DEADLINE_S:-10}

tmx() { tmux -L "$E2E_SOCK" -f /dev/null "$@"; }

# Stops the current server and removes its socket, which tmux leaves behind.
stop_server() {
    tmx kill-server >/dev/null 2>&1 || true
    rm -f "${TMUX_TMPDIR:-/tmp}/tmux-$(id -u)/$E2E_SOCK"
}

e2e_cleanup() {
    stop_server
    rm -rf "$E2E_DIR"
}
trap e2e_cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    if tmx has-session 2>/dev/null; then
        echo "--- screen (first 30 rows):" >&2
        tmx capture-pane -p -t e2e 2>/dev/null | head -30 >&2 || true
    fi
    exit 1
}

pass() { echo "ok: $*"; }

# start [cols rows [command...]]: a detached session of that size running the
# command (the program by default) in the scratch directory. The pane stays
# after its process ends, so its exit status and terminal modes can be read.
start() {
    local cols=${1:-150} rows=${2:-100}
    shift 2 || true
    local cmd=("$@")
    [[ ${#cmd[@]} -gt 0 ]] || cmd=("$BIN")
    rm -f "$E2E_DIR/status" "$E2E_DIR/modes.before" "$E2E_DIR/modes.after"
    # Each session gets a server of its own: one that is shutting down may
    # still take a new session and then never reap its process.
    stop_server
    E2E_SERVERS=$((E2E_SERVERS + 1))
    E2E_SOCK="quorvel-e2e-$$-$RANDOM-$E2E_SERVERS"
    tmx start-server \; set -g remain-on-exit on \; set -g default-terminal tmux-256color \
        \; new-session -d -s e2e -x "$cols" -y "$rows" -c "$E2E_DIR" \
           -e LANG=C.UTF-8 -e LC_ALL=C.UTF-8 "${cmd[@]}"
}

# start_wrapped [cols rows [shell-command]]: a wrapper shell in the pane runs
# the shell command, sets the window title to E2E_TITLE, then runs the
# program, then records the program's exit status and the terminal's modes
# (stty -a) beside those from before it. The modes are recorded once they are
# back, or when the deadline has passed: a console host such as Wine's gives
# the terminal back from a process of its own, which may end after the
# program's.
E2E_TITLE="the shell's own title"
start_wrapped() {
    local cols=${1:-150} rows=${2:-100} before=${3:-}
    cat >"$E2E_DIR/run.bash" <<EOF
ulimit -c 0
# A handler, not an ignore: the program gets the keyboard's signals as usual,
# and this shell lives on to record what happened.
trap : INT QUIT
$before
echo \$\$ >"$E2E_DIR/shell.pid"
printf '\033]2;%s\033\\\\' "$E2E_TITLE"
stty -a >"$E2E_DIR/modes.before"
"$BIN"
echo "\$?" >"$E2E_DIR/status.tmp" && mv "$E2E_DIR/status.tmp" "$E2E_DIR/status"
end=\$((SECONDS + $DEADLINE_S))
until stty -a >"$E2E_DIR/modes.tmp"; cmp -s "$E2E_DIR/modes.before" "$E2E_DIR/modes.tmp" ||
      ((SECONDS >= end)); do
    sleep 0.05
done
mv "$E2E_DIR/modes.tmp" "$E2E_DIR/modes.after"
echo "after: rc=\$(cat "$E2E_DIR/status")"
sleep 600
EOF
    start "$cols" "$rows" bash --norc --noprofile "$E2E_DIR/run.bash"
}

# The program's process id, under the wrapper shell.
app_pid() {
    local shell_pid
    shell_pid=$(cat "$E2E_DIR/shell.pid")
    pgrep -P "$shell_pid" -x quorvel | head -1
}

screen() { tmx capture-pane -p -t e2e; }
# -N keeps trailing blanks, so that the colours of blank cells show.
screen_colours() { tmx capture-pane -p -e -N -t e2e; }
row() { screen | sed -n "$(($1 + 1))p"; }
flag() { tmx display -p -t e2e "#{$1}"; }

# wait_for TEXT [ROW]: until TEXT shows (on ROW when given), or fail.
wait_for() {
    local text=$1 r=${2:-} end=$((SECONDS + DEADLINE_S))
    while ((SECONDS < end)); do
        if [[ -n $r ]]; then
            [[ $(row "$r") == *"$text"* ]] && return 0
        else
            screen | grep -qF -- "$text" && return 0
        fi
        sleep 0.05
    done
    fail "\"$text\" did not show${r:+ on row $r}"
}

# wait_gone TEXT: until TEXT is nowhere on the screen, or fail.
wait_gone() {
    local end=$((SECONDS + DEADLINE_S))
    while ((SECONDS < end)); do
        screen | grep -qF -- "$1" || return 0
        sleep 0.05
    done
    fail "\"$1\" did not go away"
}

# wait_flag NAME VALUE: until tmux reports the pane's NAME as VALUE, or fail.
wait_flag() {
    local end=$((SECONDS + DEADLINE_S))
    while ((SECONDS < end)); do
        [[ $(flag "$1") == "$2" ]] && return 0
        sleep 0.05
    done
    fail "#{$1} is $(flag "$1"), not $2"
}

# wait_until MESSAGE COMMAND...: until COMMAND succeeds, or fail with MESSAGE.
wait_until() {
    local message=$1 end=$((SECONDS + DEADLINE_S))
    shift
    until "$@"; do
        ((SECONDS < end)) || fail "$message"
        sleep 0.05
    done
}

# wait_cursor X Y: until the terminal's cursor is visible at (X, Y), or fail.
wait_cursor() {
    local end=$((SECONDS + DEADLINE_S))
    while ((SECONDS < end)); do
        [[ $(flag cursor_flag) == 1 && $(flag cursor_x),$(flag cursor_y) == "$1,$2" ]] && return 0
        sleep 0.05
    done
    fail "cursor $(flag cursor_flag) at $(flag cursor_x),$(flag cursor_y), not shown at $1,$2"
}

# wait_colours TEXT ROW WANT: until colours_at TEXT ROW gives WANT, or fail.
# A frame larger than one read of the terminal (the whole 150 x 100 screen is
# some 15 KB) reaches tmux in parts: a row below the one waited for may not
# be drawn yet.
wait_colours() {
    local end=$((SECONDS + DEADLINE_S))
    while ((SECONDS < end)); do
        [[ $(colours_at "$1" "$2") == "$3" ]] && return 0
        sleep 0.05
    done
    fail "colours at \"$1\" on row $2: $(colours_at "$1" "$2"), not $3"
}

# wait_status: until the wrapped program has ended; prints its exit status.
wait_status() {
    local end=$((SECONDS + DEADLINE_S))
    while ((SECONDS < end)); do
        [[ -f $E2E_DIR/status ]] && { cat "$E2E_DIR/status"; return 0; }
        sleep 0.05
    done
    fail "the program did not end"
}

mouse_off() {
    [[ $(flag mouse_any_flag) == 0 && $(flag mouse_button_flag) == 0 &&
       $(flag mouse_standard_flag) == 0 && $(flag mouse_sgr_flag) == 0 ]]
}
cursor_shown() { [[ $(flag cursor_flag) == 1 ]]; }

# The terminal is as the program found it: normal screen, no mouse
# reporting, a visible cursor, and (for wrapped runs) the same tty modes and
# window title.
# Each is waited for, with the deadline: what gives the terminal back may be
# a process other than the one whose end was seen.
expect_restored() {
    wait_flag alternate_on 0
    wait_until "mouse reporting left on" mouse_off
    # tmux hides the cursor of a pane whose process has ended: only a live
    # pane (the wrapper's shell) tells.
    if [[ $(flag pane_dead) == 0 ]]; then
        wait_until "cursor left hidden" cursor_shown
    fi
    if [[ -f $E2E_DIR/modes.before ]]; then
        # Longer than the wrapper's own wait for the modes, which started first.
        local end=$((SECONDS + DEADLINE_S + 2))
        while [[ ! -f $E2E_DIR/modes.after ]] && ((SECONDS < end)); do sleep 0.05; done
        cmp -s "$E2E_DIR/modes.before" "$E2E_DIR/modes.after" ||
            fail "terminal modes not restored: $(diff "$E2E_DIR/modes.before" "$E2E_DIR/modes.after")"
        # (E2E_OWN_TITLE: a host that shows the program through a console of its
        # own, which cannot know the terminal's title to give it back.)
        [[ -n ${E2E_OWN_TITLE:-} ]] || wait_flag pane_title "$E2E_TITLE"
    fi
}

# The display column of TEXT on ROW (double-width characters count two).
column_of() {
    local line prefix chars bytes
    line=$(row "$2")
    [[ $line == *"$1"* ]] || fail "\"$1\" is not on row $2"
    prefix=${line%%"$1"*}
    chars=${#prefix}
    bytes=$(LC_ALL=C; echo ${#prefix})
    # Every non-ASCII character here is a three-byte, double-width one.
    echo $((chars + (bytes - chars) / 2))
}

# The colours (SGR foreground;background) in force where TEXT begins on ROW,
# from capture-pane -e; "end" for TEXT gives those after the row's last cell.
# capture-pane carries colours from one row into the next, so the rows above
# are read too.
colours_at() {
    local text=$1 r=$2
    screen_colours | sed -n "1,$((r + 1))p" | LC_ALL=C awk -v want="$text" -v target=$((r + 1)) '
        function apply(params,   n, p, i, v) {
            n = split(params, p, ";")
            if (n == 0) { fg = 39; bg = 49; return }
            for (i = 1; i <= n; i++) {
                v = p[i] + 0
                if (v == 0) { fg = 39; bg = 49 }
                else if ((v >= 30 && v <= 37) || (v >= 90 && v <= 97) || v == 39) fg = v
                else if ((v >= 40 && v <= 47) || (v >= 100 && v <= 107) || v == 49) bg = v
            }
        }
        BEGIN { fg = 39; bg = 49 }
        {
            plain = ""; n = 0; line = $0
            while (length(line) > 0) {
                if (match(line, /^\033\[[0-9;]*m/)) {
                    apply(substr(line, 3, RLENGTH - 3)); line = substr(line, RLENGTH + 1); continue
                }
                if (match(line, /^\033[^a-zA-Z]*[a-zA-Z]/)) { line = substr(line, RLENGTH + 1); continue }
                n++; plain = plain substr(line, 1, 1); col[n] = fg ";" bg; line = substr(line, 2)
            }
            if (NR < target) next
            if (want == "end") { print fg ";" bg; exit }
            i = index(plain, want)
            if (i > 0) print col[i]
        }'
}

# Sends a mouse report in SGR form: BUTTON (0 left, 2 right, 35 motion) at
# the 0-based cell (X, Y); press and release for clicks.
sgr() {
    local report
    report=$(printf '\033[<%d;%d;%d%s' "$1" $(($2 + 1)) $(($3 + 1)) "$4")
    # -H: the bytes as they are, as a terminal would send them.
    tmx send-keys -t e2e -H $(printf '%s' "$report" | od -An -tx1)
}
click() { sgr 0 "$1" "$2" M; sgr 0 "$1" "$2" m; }
right_click() { sgr 2 "$1" "$2" M; sgr 2 "$1" "$2" m; }
move_to() { sgr 35 "$1" "$2" M; }
keys() { tmx send-keys -t e2e "$@"; }

# leave [KEY]: the exit command (Alt+X), Enter on "确认退出系统吗？", then KEY
# (Enter by default) on the closing dialog.
leave() {
    keys M-x
    wait_for "确认退出系统吗？"
    keys Enter
    wait_for "一个窗口样例！退出吗？"
    keys "${1:-Enter}"
}
