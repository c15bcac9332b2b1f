#!/usr/bin/env bash
# Formats the project's C and C++ sources with .clang-format, or with --check only tells which files differ
# (exit 1). The files are the ones git tracks; run from anywhere inside the repository.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root"
mode=${1:-}
cf=$(command -v clang-format || command -v clang-format-14 || true)
if [ -z "$cf" ]; then
  echo "format: clang-format is not installed (make setup installs it)" >&2
  exit 2
fi
mapfile -t files < <(git ls-files '*.cpp' '*.h' '*.hpp' '*.cc' '*.c')
if [ "$mode" = "--check" ]; then
  bad=$(printf '%s\0' "${files[@]}" | xargs -0 "$cf" --dry-run 2>&1 | sed -n 's/^\([^:]*\):[0-9]*:[0-9]*: warning:.*/\1/p' | sort -u)
  if [ -n "$bad" ]; then
    echo "$bad"
    echo "format: $(echo "$bad" | wc -l) file(s) differ from .clang-format; run: make format" >&2
    exit 1
  fi
  echo "format: ${#files[@]} files as .clang-format wants them"
else
  printf '%s\0' "${files[@]}" | xargs -0 "$cf" -i
fi
