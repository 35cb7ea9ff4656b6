#!/bin/bash
# The benchmark: Prinstall.exe against its floors (minimal programs that make only the
# Windows calls each job needs; bench/README.md says what each one does), in one Wine prefix
# pinned to one CPU, run alternately, pair after pair.
#
#   bash bench/run.sh [--pairs N] [--warmup N] [--cpu N] [--only NAME,...] [--smoke]
#                     [--build-dir DIR] [--no-build]
#
# NAME: startup0 cycle1 cycle10 startup20 detect list200 (all by default, in that order).
# --pairs N: measured pairs per job (15); --warmup N: pairs run first and not counted (1);
# --cpu N: the CPU the prefix runs on (the last one); --smoke: one pair of each, no warm-up,
# no build (what the ctest entry bench.smoke runs: it proves that every job works in both
# programs and that their outputs agree, and asserts no time).
#
# Prints, per job, the median time of each side, the median of the pairwise ratios
# (program / floor) with their quartiles and range, and the median peak working set of each
# side with the median of its pairwise ratios (for the commands, from up to 3 untimed pairs).
set -u

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/.." && pwd)
# shellcheck source=tests/wine/wine-lib.sh
. "$repo/tests/wine/wine-lib.sh"

pairs=15 warmup=1 cpu=$(($(nproc) - 1)) build=1
only=startup0,cycle1,cycle10,startup20,detect,list200
build_dir=$repo/build/win32
while [ $# -gt 0 ]; do
  case $1 in
    --pairs) pairs=$2; shift 2 ;;
    --warmup) warmup=$2; shift 2 ;;
    --cpu) cpu=$2; shift 2 ;;
    --only) only=$2; shift 2 ;;
    --smoke) pairs=1 warmup=0 build=; shift ;;
    --build-dir) build_dir=$(readlink -m "$2"); shift 2 ;;
    --no-build) build=; shift ;;
    *) sed -n '2,17p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//' >&2; exit 2 ;;
  esac
done
wanted() { [[ ",$only," == *",$1,"* ]]; }

if [ -n "$build" ]; then
  # What building and the Wine test bed need, as scripts/run.sh and scripts/test.sh do.
  bash "$repo/scripts/setup.sh" || exit 1
  (cd "$repo" && { [ -f "$build_dir/CMakeCache.txt" ] || nice cmake --preset win32 >/dev/null; } &&
    nice cmake --build "$build_dir" --target prinstall_bench) || { echo "build failed" >&2; exit 1; }
fi
template=$build_dir/wine/template-win32
bash "$repo/tests/wine/boot-template.sh" "$template" >/dev/null || exit 1
for f in "$build_dir/Prinstall.exe" "$build_dir/media/Win32/UNIDRV.DLL" "$build_dir/bench/bench_watch.exe"; do
  [ -f "$f" ] || { echo "missing $f: build the target prinstall_bench first" >&2; exit 1; }
done

prinstall_wine_defaults
run=$build_dir/wine/runs/bench.$$
export WINEPREFIX=$run/prefix
results=$run/results
cleanup() {
  wineserver -k 2>/dev/null
  timeout 20 wineserver -w 2>/dev/null
  prinstall_stop_xvfb
  rm -rf "$run"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
mkdir -p "$results"
(flock -s 9 && cp -a "$template" "$WINEPREFIX") 9>"$template.lock" || { echo "could not copy the template" >&2; exit 1; }
media_dir="$WINEPREFIX/drive_c/Prinstall media"
mkdir -p "$media_dir" "$WINEPREFIX/drive_c/bench"
cp "$build_dir/Prinstall.exe" "$media_dir/"
cp -r "$build_dir/media/." "$media_dir/"
cp "$build_dir"/bench/*.exe "$WINEPREFIX/drive_c/bench/"

unset LC_ALL LC_CTYPE LC_MESSAGES LANGUAGE LOCPATH
export LANG=C.UTF-8
unset DISPLAY
prinstall_start_xvfb || exit 1
# As the test bed's copies: a run killed before its clean-up is swept up by the next Wine test.
echo "$PRINSTALL_XVFB_PID" >"$run/xvfb.pid"
pin() { taskset -c "$cpu" "$@"; }
# No output of the server: a daemon holding a pipe of ours would keep its reader waiting.
pin wineserver -p </dev/null >/dev/null 2>&1
if ! pin wine 'C:\Prinstall media\Prinstall.exe' /prepare >"$results/prepare.log" 2>&1 </dev/null; then
  cat "$results/prepare.log" >&2
  echo "Prinstall.exe /prepare failed" >&2
  exit 1
fi

program='"C:\TORVA EPL Printer 2.X\Prinstall.exe"'
floors='C:\bench'
watch() { pin wine 'C:\bench\bench_watch.exe' "$@"; }

# measure FILE ARGS...: one watched run; appends "ms kib" to FILE and keeps its title.
measure() {
  local file=$1 line
  shift
  # Through a file: a Wine process started meanwhile (the desktop) inherits the output.
  if ! watch "$@" >"$results/watch.out" 2>&1 </dev/null; then
    cat "$results/watch.out" >&2
    echo "measurement failed: $*" >&2
    return 1
  fi
  line=$(grep -a '^ms=' "$results/watch.out" | tr -d '\r')
  [[ $line =~ ms=([0-9.]+)\ peak_kib=([0-9]+)\ title=(.*) ]] || { echo "unreadable: $line" >&2; return 1; }
  echo "${BASH_REMATCH[1]} ${BASH_REMATCH[2]}" >>"$file"
  printf '%s\n' "${BASH_REMATCH[3]}" >"$file.title"
}

# pairs NAME: runs the arrays P (program) and F (floor) alternately, the first of each pair
# switching every time; warm-up pairs go to NAME.warmup.
pairs() {
  local name=$1 i target
  for ((i = 0; i < warmup + pairs; i++)); do
    target=$results/$name
    [ "$i" -lt "$warmup" ] && target=$results/$name.warmup
    if ((i % 2 == 0)); then
      measure "$target.program" "${P[@]}" && measure "$target.floor" "${F[@]}" || return 1
    else
      measure "$target.floor" "${F[@]}" && measure "$target.program" "${P[@]}" || return 1
    fi
  done
  # Commands that end by themselves: their peak memory from runs of their own (not timed).
  if [ "${P[0]}" != --window ]; then
    for ((i = 0; i < (pairs < 3 ? pairs : 3); i++)); do
      measure "$results/$name.program.memory" --poll-memory "${P[@]}" &&
        measure "$results/$name.floor.memory" --poll-memory "${F[@]}" || return 1
    done
  fi
  echo "$name" >>"$results/order"
}

install_copies() {
  pin wine 'C:\TORVA EPL Printer 2.X\Prinstall.exe' /install /port:COM1: "/copies:$1" >"$results/setup.log" 2>&1 </dev/null ||
    { cat "$results/setup.log" >&2; echo "setting up $1 queues failed" >&2; exit 1; }
}

startup() {
  P=(--window -- "$program")
  F=(--window -- "$floors\\floor_dialog.exe")
  pairs "$1" || exit 1
  # Both showed the same dialog.
  [ "$(cat "$results/$1.program.title")" = "$(cat "$results/$1.floor.title")" ] ||
    { echo "$1: the floor showed another window than the program" >&2; exit 1; }
}

# cross_check: each floor of the cycle does the program's job, so that the other side takes
# it up: the program lists and removes the floor's copies, and the floor removes the
# program's, leaving no label queue. (wine passes only the low 8 bits of an exit code: 3010
# arrives as 194.)
run_ok() {
  pin wine "$@" >"$results/check.out" 2>&1 </dev/null
  local rc=$?
  [ $rc -eq 0 ] || [ $rc -eq 194 ] || { cat "$results/check.out" >&2; echo "failed ($rc): $*" >&2; return 1; }
}
listed() {
  run_ok 'C:\TORVA EPL Printer 2.X\Prinstall.exe' /list /format:json && grep -c '"name"' "$results/check.out"
}
cross_check() {
  local prog='C:\TORVA EPL Printer 2.X\Prinstall.exe'
  run_ok 'C:\bench\floor_cycle.exe' install 2 && [ "$(listed)" = 2 ] &&
    grep -q '"name": "TORVA Label Printer 2", "driver": "TORVA Label Printer #2", "port": "COM1:"' "$results/check.out" &&
    run_ok "$prog" /uninstall /all && [ "$(listed)" = 0 ] &&
    run_ok "$prog" /install /port:COM1: /copies:2 && run_ok 'C:\bench\floor_cycle.exe' uninstall &&
    [ "$(listed)" = 0 ] && run_ok 'C:\bench\floor_detect.exe' 'TORVA Label Printer 2|COM1:' &&
    ! grep -q . "$results/check.out"
}

fail=0
echo "Prinstall benchmark, $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) CPUs ($(sed -n 's/^model name\s*: //p' /proc/cpuinfo | head -n 1)), pinned to CPU $cpu, $(wine --version)"
echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)"

if ! cross_check; then
  echo "the cycle's floor and the program do not take up each other's work" >&2
  exit 1
fi

wanted startup0 && startup startup0
for n in 1 10; do
  wanted "cycle$n" || continue
  P=(-- "$program /install /port:COM1: /copies:$n" -- "$program /uninstall /all")
  F=(-- "$floors\\floor_cycle.exe install $n" -- "$floors\\floor_cycle.exe uninstall")
  pairs "cycle$n" || exit 1
done
if wanted startup20 || wanted detect || wanted list200; then
  install_copies 20
  wanted startup20 && startup startup20
  if wanted detect; then
    P=(--out 'C:\bench\detect-program.txt' -- "$program /detect \"/name:TORVA Label Printer 7\" /port:COM1:")
    F=(--out 'C:\bench\detect-floor.txt' -- "$floors\\floor_detect.exe TORVA Label Printer 7|COM1:")
    pairs detect || exit 1
    a=$(tr -d '\r' <"$WINEPREFIX/drive_c/bench/detect-program.txt")
    b=$(tr -d '\r' <"$WINEPREFIX/drive_c/bench/detect-floor.txt")
    if [ -z "$a" ] || [ "$a" != "$b" ]; then
      echo "detect: the program printed [$a], the floor [$b]" >&2
      fail=1
    fi
  fi
  if wanted list200; then
    install_copies 180
    P=(--out 'C:\bench\list-program.txt' -- "$program /list /format:json")
    F=(--out 'C:\bench\list-floor.txt' -- "$floors\\floor_list.exe")
    pairs list200 || exit 1
    a=$(tr -d '\r' <"$WINEPREFIX/drive_c/bench/list-program.txt")
    b=$(tr -d '\r' <"$WINEPREFIX/drive_c/bench/list-floor.txt")
    if [ "$(grep -c '"name"' <<<"$a")" != 200 ] || [ "$a" != "$b" ]; then
      echo "list200: the program's and the floor's listings differ, or do not hold 200 queues" >&2
      diff <(echo "$a") <(echo "$b") | head -n 10 >&2
      fail=1
    fi
  fi
fi
echo "load after: $(cut -d' ' -f1-3 /proc/loadavg)"

python3 - "$results" <<'PY'
import statistics, sys
from pathlib import Path

results = Path(sys.argv[1])

def rows(path):
    return [tuple(float(x) for x in line.split()) for line in path.read_text().splitlines() if line.strip()]

def quartiles(values):
    if len(values) < 2:
        return values[0], values[0]
    q = statistics.quantiles(values, n=4, method="inclusive")
    return q[0], q[2]

print(f"{'job':10} {'program':>10} {'floor':>10} {'ratio':>6}  {'quartiles':>11}  {'range':>11}   peak memory (MiB): program floor ratio")
medians = {}
order = (results / "order").read_text().split() if (results / "order").exists() else []
for name in order:
    program, floor = rows(results / f"{name}.program"), rows(results / f"{name}.floor")
    time_ratios = [p[0] / f[0] for p, f in zip(program, floor)]
    pt, ft = statistics.median(p[0] for p in program), statistics.median(f[0] for f in floor)
    if (results / f"{name}.program.memory").exists():
        program = rows(results / f"{name}.program.memory")
        floor = rows(results / f"{name}.floor.memory")
    memory_ratios = [p[1] / f[1] for p, f in zip(program, floor) if f[1] > 0]
    low, high = quartiles(time_ratios)
    pm = statistics.median(p[1] for p in program) / 1024
    fm = statistics.median(f[1] for f in floor) / 1024
    mr = f"{statistics.median(memory_ratios):.2f}x" if memory_ratios else "n/a"
    print(f"{name:10} {pt:8.1f}ms {ft:8.1f}ms "
          f"{statistics.median(time_ratios):5.2f}x  {low:5.2f}-{high:<5.2f}  {min(time_ratios):5.2f}-{max(time_ratios):<5.2f}"
          f"   {pm:6.1f} {fm:6.1f} {mr}   ({len(time_ratios)} pairs)")
    medians[name] = (pt, ft)
# What one more copy costs: the difference of the cycles' medians, per copy.
if "cycle1" in medians and "cycle10" in medians:
    p = (medians["cycle10"][0] - medians["cycle1"][0]) / 9
    f = (medians["cycle10"][1] - medians["cycle1"][1]) / 9
    print(f"per copy   {p:8.1f}ms {f:8.1f}ms {p / f:5.2f}x  (from the medians of cycle10 and cycle1)")
PY
exit $fail
