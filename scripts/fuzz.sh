#!/usr/bin/env bash
# Runs every libFuzzer target of build-fuzz for a bounded time each.
# Usage: scripts/fuzz.sh [seconds-per-target] [target=seconds ...]
#   scripts/fuzz.sh 60 session=120   every target 60 s, the session target 120 s
set -euo pipefail
seconds="${1:-60}"
[ $# -gt 0 ] && shift
declare -A own=()
for arg in "$@"; do
  case "$arg" in
    *=*) own["${arg%%=*}"]="${arg#*=}" ;;
    *) echo "fuzz.sh: expected target=seconds, got '$arg'" >&2; exit 2 ;;
  esac
done
root="$(cd "$(dirname "$0")/.." && pwd)"
status=0
for target in "$root"/build-fuzz/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name="$(basename "$target")"; name="${name#fuzz_}"
  time="${own[$name]:-$seconds}"
  work="$(mktemp -d)"
  corpus="$work/corpus"; mkdir -p "$corpus"
  [ -d "$root/fuzz/corpus/$name" ] && cp -r "$root/fuzz/corpus/$name/." "$corpus/"
  echo "== fuzz $name for ${time}s"
  if ! (cd "$work" && "$target" -max_total_time="$time" -timeout=10 -rss_limit_mb=4096 \
          -print_final_stats=1 "$corpus"); then
    echo "fuzz $name FAILED (artifacts in $work)"
    status=1
  else
    rm -rf "$work"
  fi
done
exit $status
