#!/usr/bin/env bash
# Runs the Windows target's ctest under Wine, inside one Xvfb display and one
# persistent wineserver (xvfb-run calls this script with --inside).
set -uo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$repo/scripts/wine_env.sh"

if [ "${1:-}" != "--inside" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --inside "$@"
fi
shift
# A persistent wineserver makes each test start in tens of milliseconds, and
# starting it before ctest keeps Wine's background processes off ctest's pipes.
wineserver -p </dev/null >/dev/null 2>&1
wine cmd /c exit </dev/null >/dev/null 2>&1
trap 'wineserver -k >/dev/null 2>&1' EXIT
status=0
ctest --preset windows -LE own_prefix "$@" || status=$?
# The tests that make Wine prefixes of their own (label own_prefix) come last,
# once this prefix's wineserver has stopped: after a new prefix has been made,
# the next collector started in this one waits for its desktop for ever.
wineserver -k >/dev/null 2>&1
wineserver -w
ctest --preset windows -L own_prefix "$@" || status=$?
exit $status
