#!/bin/bash
# Checks the names of functions and methods (.clang-tidy) in every C++ source that the native
# and the MinGW builds compile, and exits non-zero with the list when any breaks the rules.
# Needs both build trees configured (cmake --preset native, cmake --preset win32), as the
# test command does; the MinGW sources are read by clang with the MinGW headers.
set -u
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
gcc_dir=$(dirname "$(i686-w64-mingw32-g++-win32 -print-libgcc-file-name)")
mingw_args=(--extra-arg=--target=i686-w64-mingw32 --extra-arg=-nostdinc++
            --extra-arg=-isystem"$gcc_dir/include/c++"
            --extra-arg=-isystem"$gcc_dir/include/c++/i686-w64-mingw32"
            --extra-arg=-isystem"$gcc_dir/include/c++/backward")
jobs=$(nproc 2>/dev/null || echo 2)
report=$(mktemp)
trap 'rm -f "$report"' EXIT

check() {  # build tree, extra clang-tidy arguments...
  local tree=$1; shift
  [ -f "$tree/compile_commands.json" ] || { echo "naming: $tree is not configured" >&2; return 1; }
  python3 -c 'import json, sys
for e in json.load(open(sys.argv[1])):
    f = e["file"]
    if f.startswith(sys.argv[2] + "/") and f.endswith(".cpp") and "/build/" not in f: print(f)' \
    "$tree/compile_commands.json" "$root" |
    xargs -P "$jobs" -n 4 clang-tidy -p "$tree" --quiet --header-filter="^$root/(src|tests|tools)/" "$@" 2>/dev/null |
    grep -E '^/.*(warning|error):' >>"$report"
  return 0
}
check build/native || exit 1
check build/win32 "${mingw_args[@]}" || exit 1
if [ -s "$report" ]; then
  sort -u "$report" | sed "s|^$root/||"
  echo "naming: $(sort -u "$report" | wc -l) name(s) break the rules in .clang-tidy"
  exit 1
fi
echo "naming: every function and method name follows .clang-tidy"
