#!/bin/bash
# Runs the proof kit as a PC runs it: unpacks Prinstall-proof-*.zip from KIT_DIR into C:\proof
# of a fresh copy of the template prefix (no installation folder, nothing installed), starts
# `proof.cmd /disposable` through Wine's cmd under an Xvfb of its own, and checks the report:
# summary.json and every JUnit XML file parse, and the verdict is the one expected.
#
#   run-kit.sh --template DIR --kit KIT_DIR [--only NAMES] [--plant PROGRAM.exe] --expect pass|fail
#
# --only: the suites to run (proof.cmd /only:, '*' any run). --plant: a test program put into
# the kit as the suite proof.planted, run in the order --only names it; it leaves a file and an
# uninstall entry behind, which the report must name (and the proof then fails).
# Prints how long proof.cmd took. PRINSTALL_KEEP_PREFIX=1 keeps the prefix copy.
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tests/wine/wine-lib.sh
. "$here/../wine/wine-lib.sh"

template= kit_dir= only='*' plant= expect=
while [ $# -gt 0 ]; do
  case $1 in
    --template) template=$(readlink -m "$2"); shift 2 ;;
    --kit) kit_dir=$(readlink -m "$2"); shift 2 ;;
    --only) only=$2; shift 2 ;;
    --plant) plant=$(readlink -m "$2"); shift 2 ;;
    --expect) expect=$2; shift 2 ;;
    *) sed -n '2,12p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//' >&2; exit 2 ;;
  esac
done
zip=$(ls -t "$kit_dir"/Prinstall-proof-*.zip 2>/dev/null | head -n 1)
[ -f "$template/system.reg" ] && [ -n "$zip" ] && { [ "$expect" = pass ] || [ "$expect" = fail ]; } ||
  { echo "run-kit.sh: needs --template, a kit in --kit and --expect pass|fail" >&2; exit 2; }

prinstall_wine_defaults
run=$(dirname "$template")/runs/proof.$$
rm -rf "$run"
mkdir -p "$run"
export WINEPREFIX=$run/prefix
cleanup() {
  wineserver -k 2>/dev/null
  timeout 20 wineserver -w 2>/dev/null
  prinstall_stop_xvfb
  if [ -n "${PRINSTALL_KEEP_PREFIX:-}" ]; then echo "prefix kept: $WINEPREFIX" >&2; else rm -rf "$run"; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM
(flock -s 9 && cp -a "$template" "$WINEPREFIX") 9>"$template.lock" || { echo "could not copy the template" >&2; exit 1; }
kit=$WINEPREFIX/drive_c/proof
mkdir -p "$kit"
unzip -q "$zip" -d "$kit" || exit 1
if [ -n "$plant" ]; then
  cp "$plant" "$kit/tests/proof-planted.exe"
  printf 'proof.planted\tproof-planted.exe\t\t120\t\t\t\t\t\t\t\t\t\r\n' >>"$kit/suites.tsv"
  # In the order --only gives: the kit runs suites in the order of suites.tsv.
  python3 - "$kit/suites.tsv" "$only" <<'PY'
import sys
path, only = sys.argv[1], sys.argv[2].split(",")
lines = open(path, newline="").read().split("\r\n")
head = [l for l in lines if l.startswith("#") or not l]
rows = {l.split("\t")[0]: l for l in lines if l and not l.startswith("#")}
ordered = [rows[n] for n in only if n in rows] + [l for n, l in rows.items() if n not in only]
open(path, "w", newline="").write("\r\n".join([h for h in head if h] + ordered) + "\r\n")
PY
fi

export LANG=C.UTF-8
unset LC_ALL LOCPATH DISPLAY
prinstall_start_xvfb || exit 1
wineserver -p
start=$SECONDS
wine cmd /c 'C:\proof\proof.cmd' /disposable "/only:$only"
rc=$?
echo "run-kit.sh: proof.cmd ended with $rc after $((SECONDS - start)) s"

report=$(ls -d "$kit"/proof-* 2>/dev/null | head -n 1)
[ -n "$report" ] || { echo "run-kit.sh: no report folder" >&2; exit 1; }
cat "$report/summary.txt"
python3 - "$report" "$expect" "$rc" <<'PY'
import glob, json, os, sys
import xml.etree.ElementTree as ET

report, expect, rc = sys.argv[1], sys.argv[2], int(sys.argv[3])
faults = []
summary = json.load(open(os.path.join(report, "summary.json"), encoding="utf-8"))
ran = [s for s in summary["suites"] if s["outcome"] != "skipped"]
for suite in summary["suites"]:
    for key in ("passed", "failed", "skipped"):
        if not isinstance(suite.get(key), int):
            faults.append("%s has no number %s" % (suite["name"], key))
    if suite["outcome"] == "skipped" and not suite["skip_reason"].startswith("skipped"):
        faults.append("%s is skipped without a reason" % suite["name"])
for suite in ran:
    path = os.path.join(report, "xml", suite["name"] + ".xml")
    if suite["name"] != "proof.planted" or os.path.exists(path):
        try:
            ET.parse(path)
        except Exception as e:
            faults.append("%s: %s" % (path, e))
for key in ("Windows version", "build", "edition", "architecture", "UI language", "ANSI code page",
            "protected print mode", "Point and Print policy", "driver signing policy", "Wine"):
    if key not in summary["machine"]:
        faults.append("summary.json lacks the machine's " + key)
if not ran:
    faults.append("no suite ran")
if expect == "pass":
    if rc != 0 or summary["result"] != "passed":
        faults.append("the proof failed (exit code %d)" % rc)
    if summary["differences"]:
        faults.append("the machine differs after the kit: %s" % summary["differences"])
else:
    planted = [s for s in summary["suites"] if s["name"] == "proof.planted"]
    named = " ".join(summary["differences"]) + " ".join(p for s in planted for p in s["problems"])
    if rc == 0 or summary["result"] != "failed":
        faults.append("the kit passed with a leftover planted")
    for what in ("proof-planted.dll", "Proof planted entry"):
        if what not in " ".join(summary["differences"]) or what not in named:
            faults.append("the report does not name " + what)
    others = [s["name"] for s in summary["suites"] if s["outcome"] == "failed" and s["name"] != "proof.planted"]
    if others:
        faults.append("suites other than the planted one failed: %s" % others)
for fault in faults:
    print("run-kit.sh: FAILED: " + fault)
print("run-kit.sh: %d suites ran, %d skipped" % (len(ran), len(summary["suites"]) - len(ran)))
sys.exit(1 if faults else 0)
PY
