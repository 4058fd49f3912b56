#!/usr/bin/env bash
# Runs every libFuzzer target of build-fuzz for a bounded time each.
# Usage: scripts/fuzz.sh [seconds-per-target]
set -euo pipefail
seconds="${1:-60}"
root="$(cd "$(dirname "$0")/.." && pwd)"
status=0
for target in "$root"/build-fuzz/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name="$(basename "$target")"; name="${name#fuzz_}"
  work="$(mktemp -d)"
  corpus="$work/corpus"; mkdir -p "$corpus"
  [ -d "$root/fuzz/corpus/$name" ] && cp -r "$root/fuzz/corpus/$name/." "$corpus/"
  echo "== fuzz $name for ${seconds}s"
  if ! (cd "$work" && "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
          -print_final_stats=1 "$corpus"); then
    echo "fuzz $name FAILED (artifacts in $work)"
    status=1
  else
    rm -rf "$work"
  fi
done
exit $status
