#!/usr/bin/env bash
# Runs .clang-tidy's bug-finding checks over the non-GUI modules' sources (the tests left out) with the compile
# commands of a configured build, side by side on the cores, and fails on any finding.
# Usage: tools/tidy/tidy.sh <build folder> [jobs]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:?usage: tidy.sh <build folder> [jobs]}" && pwd)
jobs=${2:-$(nproc)}
tidy=$(command -v clang-tidy || command -v clang-tidy-14 || true)
if [ -z "$tidy" ]; then
  echo "tidy: clang-tidy is not installed (tools/setup.sh installs it)" >&2
  exit 2
fi
[ -f "$build/compile_commands.json" ] || { echo "tidy: $build/compile_commands.json is missing; configure first" >&2; exit 2; }
cd "$root"
mapfile -t files < <(git ls-files 'core/*.cpp' 'filesystems/*.cpp' 'platform/*.cpp' 'raw/*.cpp' 'storage/*.cpp' \
  'controller/*.cpp' | grep -v '/tests/')
log=$(mktemp)
trap 'rm -f "$log"' EXIT
printf '%s\n' "${files[@]}" | xargs -P "$jobs" -n 4 "$tidy" -p "$build" --quiet >"$log" 2>/dev/null || true
findings=$(grep -cE '^[^ ].*: (warning|error): ' "$log" || true)
if [ "$findings" -ne 0 ]; then
  grep -A3 -E '^[^ ].*: (warning|error): ' "$log"
  echo "tidy: $findings finding(s) in ${#files[@]} files" >&2
  exit 1
fi
echo "tidy: ${#files[@]} files, no finding"
