#!/bin/bash
# Checks that includes run one way: app -> features (install, ports, usb, uninstall) -> ui ->
# controls -> core -> platform. A feature includes no other feature, and nothing below the
# front ends includes one above it. Prints each include that breaks this; exits 1 when any does.
set -u

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root/src"

# What each folder may include besides itself.
declare -A allowed=(
  [platform]=""
  [core]="platform"
  [controls]="core platform"
  [ui]="controls core platform"
  [install]="ui controls core platform"
  [ports]="ui controls core platform"
  [usb]="ui controls core platform"
  [uninstall]="ui controls core platform"
  [app]="install ports usb uninstall ui controls core platform"
)

bad=0
for folder in "${!allowed[@]}"; do
  [ -d "$folder" ] || continue
  while IFS=: read -r file line target; do
    target=${target#*\"}
    target=${target%%/*}
    [ "$target" = "$folder" ] && continue
    [[ " ${allowed[$folder]} " == *" $target "* ]] && continue
    echo "layers: src/$file:$line includes $target/ ($folder/ may include only: ${allowed[$folder]:-itself})"
    bad=1
  done < <(grep -rnoE '^#include "[a-z_]+/' "$folder")
done
for folder in */; do
  folder=${folder%/}
  [ -n "${allowed[$folder]+x}" ] || { echo "layers: src/$folder/ has no place in the layers (scripts/layers.sh)"; bad=1; }
done
[ $bad -eq 0 ] && echo "layers: includes run one way"
exit $bad
