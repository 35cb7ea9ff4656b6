#!/bin/bash
# Applies the project's code style (.clang-format) to every C and C++ source, or with
# --check lists the files that differ from it and exits non-zero when there are any.
set -eu
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
mapfile -t sources < <(git ls-files -- '*.c' '*.cpp' '*.h')
if [ "${1:-}" = "--check" ]; then
  bad=()
  for f in "${sources[@]}"; do
    clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || bad+=("$f")
  done
  if [ ${#bad[@]} -gt 0 ]; then
    echo "format: ${#bad[@]} file(s) differ from .clang-format (bash scripts/format.sh fixes them):"
    printf '  %s\n' "${bad[@]}"
    exit 1
  fi
  echo "format: ${#sources[@]} files follow .clang-format"
  exit 0
fi
clang-format -i "${sources[@]}"
