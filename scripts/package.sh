#!/usr/bin/env bash
# Makes the Windows installer and the Debian package into build/packages/:
#
#   scripts/package.sh            both
#   scripts/package.sh windows    QLOCollector-<version>-setup.exe (NSIS)
#   scripts/package.sh linux      qlocollector_<version>_<arch>.deb
#
# It runs scripts/setup.sh first (NSIS, lintian, the cross-built Windows
# dependencies; quick when all is there). The Windows installer comes from
# the windows preset, the Debian package from the optimised linux-release
# preset; only the shipped programs and the browser extension are built
# (target qlo_shipped), not the tests.
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$repo"

case "${1:-both}" in
  both) presets=(windows linux-release) ;;
  windows) presets=(windows) ;;
  linux) presets=(linux-release) ;;
  *) sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 2 ;;
esac

"$repo/scripts/setup.sh"
for preset in "${presets[@]}"; do
  echo "== package: $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --target qlo_shipped
  (cd "build/$preset" && cpack)
done
ls -l build/packages/*.exe build/packages/*.deb 2>/dev/null || true
