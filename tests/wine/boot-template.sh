#!/bin/bash
# Boots the template prefix that every Wine test copies (a ctest fixture: once per run).
#
#   boot-template.sh TEMPLATE_DIR [win32|win64]
#
# A template booted by the same Wine is kept: booting takes 12-15 s, a copy about 2 s.
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=tests/wine/wine-lib.sh
. "$here/wine-lib.sh"

if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  echo "usage: $0 TEMPLATE_DIR [win32|win64]" >&2
  exit 2
fi
want=${2:-win32}
prinstall_wine_defaults
prinstall_ensure_prefix "$1" unmanaged "$want" || exit 1
# Proves the template runs programs and says what it is, for the test log.
arch=$(sed -n 's/^#arch=//p' "$1/system.reg" | head -n 1)
echo "template prefix $1 ($arch), $(wine --version)"
[ "$arch" = "$want" ] || { echo "template prefix is $arch, not $want" >&2; exit 1; }
