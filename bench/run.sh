#!/usr/bin/env bash
# Runs every benchmark: the Google Benchmark programs built as bench_* in the build folder, then each
# bench/*.sh script with the build folder as its argument. Figures only; nothing here passes or fails.
set -uo pipefail
build=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)
for prog in "$build"/bench_*; do
  [[ -x "$prog" && -f "$prog" ]] || continue
  echo "== $(basename "$prog")"
  "$prog"
done
for script in "$here"/*.sh; do
  [[ "$(basename "$script")" == run.sh ]] && continue
  echo "== $(basename "$script")"
  bash "$script" "$build"
done
