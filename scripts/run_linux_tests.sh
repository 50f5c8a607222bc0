#!/usr/bin/env bash
# Runs the Linux target's ctest inside one Xvfb display of its own (xvfb-run
# calls this script with --inside): the desktop tests create windows, act as
# the window manager and fake user input there, never on a real desktop.
set -uo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

if [ "${1:-}" != "--inside" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --inside "$@"
fi
shift
cd "$repo"
ctest --preset linux "$@"
