#!/bin/bash
# Checks the code style and the include layers, then builds and runs every test suite: the
# portable logic natively (plain, and with AddressSanitizer and UndefinedBehaviorSanitizer),
# then the MinGW build under Wine (the contract tests of the Win32 adapters and the end-to-end
# tests of Prinstall.exe, each in a fresh prefix under an Xvfb of its own). Prints each ctest summary and exits non-zero when
# anything failed to build or pass. Needs no display and no input; CI runs it as it is.
#
#   bash scripts/test.sh [PRESET...]     (default: native native-asan win32)
#
# Logs: build/test-logs/<preset>.log. Screenshots: build/win32/artefacts/*.png.
set -u

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

bash scripts/setup.sh || exit 1

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(native native-asan win32)
jobs=$(nproc 2>/dev/null || echo 2)
logs=$root/build/test-logs
mkdir -p "$logs"

declare -A outcome
failed=0

# One code style for every source (.clang-format): checked first, as it is the cheapest.
echo "=== style"
if ! bash scripts/format.sh --check; then
  failed=1
  style="FAILED: files differ from .clang-format (bash scripts/format.sh fixes them)"
else
  style="every source follows .clang-format"
fi
# Includes run one way (app -> features -> ui -> controls -> core -> platform).
echo "=== layers"
if ! bash scripts/layers.sh; then
  failed=1
  layers="FAILED: includes against the layers (listed above)"
else
  layers="includes run one way"
fi
for preset in "${presets[@]}"; do
  log=$logs/$preset.log
  echo "=== $preset: configure and build"
  start=$SECONDS
  [ "$preset" = win32 ] && . scripts/stale-cache.sh
  if ! { cmake --preset "$preset" && cmake --build --preset "$preset"; } >"$log" 2>&1; then
    tail -n 40 "$log"
    outcome[$preset]="build failed (log: $log)"
    failed=1
    continue
  fi
  echo "=== $preset: test"
  # The Wine tests mostly wait for windows, so two at a time also suit a two-core machine.
  ctest --preset "$preset" -j "$jobs" --output-on-failure 2>&1 | tee -a "$log"
  rc=${PIPESTATUS[0]}
  summary=$(grep -aE 'tests passed|tests failed' "$log" | tail -n 1)
  if [ "$rc" -ne 0 ]; then
    outcome[$preset]="FAILED: ${summary:-ctest exit $rc} ($((SECONDS - start)) s)"
    failed=1
  else
    outcome[$preset]="${summary:-passed} ($((SECONDS - start)) s)"
  fi
done

# Function and method names (.clang-tidy), read with clang from both build trees' compile
# commands; only when both were configured.
names="not checked (needs the native and win32 presets)"
if [ -f build/native/compile_commands.json ] && [ -f build/win32/compile_commands.json ] \
   && [[ " ${presets[*]} " == *" native "* ]] && [[ " ${presets[*]} " == *" win32 "* ]]; then
  echo "=== names"
  if bash scripts/naming.sh; then
    names="every function and method name follows .clang-tidy"
  else
    names="FAILED: names break .clang-tidy (listed above)"
    failed=1
  fi
fi

# Summary line of a product check run by ctest in the win32 preset: the check prints its
# verdict as "<name>: ..." (and "<name>: FAILED: ..." with its faults above it); the lines
# headed by `faults` (a sed pattern) are shown when it fails.
product_check() {
  local name=$1 test=$2 faults=$3 out rc line
  if ! [[ " ${presets[*]} " == *" win32 "* ]] || ! [ -f build/win32/Prinstall.exe ]; then
    echo "not checked (needs the win32 preset)"
    return 0
  fi
  out=$(ctest --preset win32 -R "^${test//./[.]}\$" -V 2>&1)
  rc=$?
  line=$(grep -o "$name: .*" <<<"$out" | tail -n 1)
  [ -n "$line" ] || line="$name: FAILED: $test gave no result (ctest exit $rc)"
  if [ "$rc" -ne 0 ] || [[ "$line" == "$name: FAILED"* ]]; then
    sed -n "s/^[0-9]*: \($faults\)/\1/p" <<<"$out" >&2
    echo "FAILED: ${line#"$name": FAILED: }"
    return 1
  fi
  echo "${line#"$name": }"
}

# Whether Windows 2000 loads the shipped program: its imports against what that Windows has
# (tests/imports/check-imports.py).
echo "=== imports"
imports=$(product_check imports product.imports 'Prinstall[A-Za-z]*[.][a-z]*: ') || failed=1
# Whether a release can be signed: a copy of the program signed by scripts/sign.sh with a
# throw-away certificate verifies, and no longer does once changed
# (tests/signing/check-signing.sh).
echo "=== signing"
signing=$(product_check signing product.signing 'FAILED: ') || failed=1

echo
echo "=== summary"
printf '%-12s %s\n' style "$style"
printf '%-12s %s\n' layers "$layers"
printf '%-12s %s\n' names "$names"
printf '%-12s %s\n' imports "$imports"
printf '%-12s %s\n' signing "$signing"
for preset in "${presets[@]}"; do
  printf '%-12s %s\n' "$preset" "${outcome[$preset]}"
done
if [ -d build/win32/artefacts ]; then
  echo "screenshots: $root/build/win32/artefacts"
fi
exit $failed
