#!/usr/bin/env bash
# The command line: --help and --version print and succeed; without a
# terminal on both standard input and output the program says so in one
# line and fails, writing nothing to standard output.
source "$(dirname "$0")/lib.bash" "$1"
out=$E2E_DIR/out err=$E2E_DIR/err

"$BIN" --help >"$out" 2>"$err" || fail "--help: status $?"
grep -q "^Usage: quorvel" "$out" || fail "--help printed: $(head -3 "$out")"
[[ ! -s $err ]] || fail "--help wrote to standard error"
pass "--help"

"$BIN" --version >"$out" 2>"$err" || fail "--version: status $?"
grep -Eq "^quorvel [0-9]+\.[0-9]+\.[0-9]+$" "$out" || fail "--version printed: $(cat "$out")"
pass "--version"

set +e
"$BIN" --bogus >"$out" 2>"$err"
status=$?
set -e
[[ $status -ne 0 && $(wc -l <"$err") -eq 1 && ! -s $out ]] || fail "unknown argument: status $status"
pass "an unknown argument fails in one line"

# Standard input not a terminal.
set +e
"$BIN" </dev/null >"$out" 2>"$err"
status=$?
set -e
[[ $status -ne 0 ]] || fail "stdin not a terminal: status 0"
[[ $(wc -l <"$err") -eq 1 ]] || fail "stdin not a terminal: $(cat "$err")"
grep -q "terminal" "$err" || fail "the message does not name the terminal: $(cat "$err")"
[[ ! -s $out ]] || fail "bytes written to standard output"
pass "standard input not a terminal"

# Standard output not a terminal, standard input one (inside tmux).
cat >"$E2E_DIR/run.bash" <<RUN
"$BIN" >"$out" 2>"$err"
echo \$? >"$E2E_DIR/status.tmp" && mv "$E2E_DIR/status.tmp" "$E2E_DIR/status"
sleep 600
RUN
start 150 100 bash --norc --noprofile "$E2E_DIR/run.bash"
status=$(wait_status)
[[ $status -ne 0 ]] || fail "stdout not a terminal: status 0"
[[ $(wc -l <"$err") -eq 1 ]] || fail "stdout not a terminal: $(cat "$err")"
[[ ! -s $out ]] || fail "bytes written to the redirected standard output"
[[ $(flag alternate_on) == 0 && $(flag mouse_any_flag) == 0 ]] || fail "terminal modes changed"
pass "standard output not a terminal"
