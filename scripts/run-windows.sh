#!/usr/bin/env bash
# Runs the Windows collector, QLOCollector.exe, under Wine on this Linux
# machine, for demonstrations and manual tests.
#
#   scripts/run-windows.sh            start the collector and keep it running until
#                                     Ctrl-C, which stops it in order (qloctl close)
#   scripts/run-windows.sh ctl ARGS   run qloctl ARGS against the running collector,
#                                     from another terminal (qloctl --help lists them)
#
# It uses the project's Wine prefix (build/wineprefix, scripts/wine_env.sh),
# builds the Windows target when QLOCollector.exe is missing, and fills the
# registry as an installer would where values are absent: under
# HKLM\SOFTWARE\Belvane\Orvanta, "Path" = the folder holding the program,
# "First Start" = 1 (seed the catalogue of an empty database) and
# "QLOCollector Log Level" = 1 (normal progress messages). Existing values are
# left alone, except a "Path" naming a folder that no longer exists. Windows
# are created on $DISPLAY when it is set, otherwise on an Xvfb display of its
# own. QLO_WINEPREFIX names another Wine prefix (made when missing).
#
# Ctrl-C (or SIGTERM) stops the collector in order: it saves the activity in
# progress, then the script ends with status 0. The collector and the Xvfb
# display run in sessions of their own (as Wine's own processes do), so the
# terminal's Ctrl-C reaches only this script.
#
# Do not run it while the Windows tests run: they share the prefix, its
# registry and its desktop.
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$repo/scripts/wine_env.sh"
[ -n "${QLO_WINEPREFIX:-}" ] && export WINEPREFIX=$QLO_WINEPREFIX
bin="$repo/build/windows/bin"
key='HKLM\SOFTWARE\Belvane\Orvanta'

say() { printf '[run-windows] %s\n' "$*"; }

# The display of the running collector: Wine keeps the windows of each
# display apart, so qloctl must use the same one to find the collector.
display_file="$WINEPREFIX/.qlo-run-windows.display"

if [ "${1:-}" = "ctl" ]; then
  shift
  [ -f "$bin/qloctl.exe" ] || { say "build/windows/bin/qloctl.exe is missing: run $0 first"; exit 1; }
  [ -z "${DISPLAY:-}" ] && [ -s "$display_file" ] && export DISPLAY=$(cat "$display_file")
  exec wine "$bin/qloctl.exe" "$@"
fi
if [ $# -gt 0 ]; then
  sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'
  [ "$1" = "--help" ] && exit 0 || exit 2
fi

if [ ! -f "$bin/QLOCollector.exe" ] || [ ! -f "$bin/qloctl.exe" ]; then
  [ -f "$WINEPREFIX/.qlo-ready" ] || "$repo/scripts/setup.sh"
  say "building the Windows target"
  cmake --preset windows >/dev/null
  cmake --build --preset windows --target QLOCollector qloctl
fi

# Every Wine program of this run uses the same display: the first one starts
# Wine's desktop on it, and a window on a desktop without one cannot be made.
scratch=$(mktemp -d)
xvfb_pid=
cleanup() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$scratch" "$display_file"
}
trap cleanup EXIT
if [ -z "${DISPLAY:-}" ]; then
  # In a session of its own, so that Ctrl-C does not take the display away
  # from the collector before it has stopped.
  setsid Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp 5>"$scratch/display" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 50); do [ -s "$scratch/display" ] && break; sleep 0.1; done
  [ -s "$scratch/display" ] || { say "Xvfb did not start"; exit 1; }
  export DISPLAY=":$(head -n 1 "$scratch/display")"
  say "Xvfb display $DISPLAY"
fi
mkdir -p "$WINEPREFIX"
echo "$DISPLAY" >"$display_file"

# reg_default <name> <type> <data>: adds the value unless it is there.
reg_default() {
  if wine reg query "$key" /v "$1" >/dev/null 2>&1; then
    say "registry: \"$1\" kept as it is"
  else
    wine reg add "$key" /v "$1" /t "$2" /d "$3" /f >/dev/null
    say "registry: \"$1\" set to $3"
  fi
}
[ -d "$WINEPREFIX/drive_c" ] || say "making the Wine prefix $WINEPREFIX"
install_folder=$(winepath -w "$bin" 2>/dev/null)
# A "Path" naming a folder that is gone (a removed checkout) counts as absent;
# a new prefix has none at all.
configured=$( (wine reg query "$key" /v Path 2>/dev/null || true) | tr -d '\r' | sed -n 's/.*REG_SZ *//p')
if [ -n "$configured" ] && [ ! -d "$(winepath -u "$configured" 2>/dev/null)" ]; then
  say "registry: \"Path\" names $configured, which does not exist"
  wine reg delete "$key" /v Path /f >/dev/null
fi
reg_default "Path" REG_SZ "$install_folder"
reg_default "First Start" REG_DWORD 1
reg_default "QLOCollector Log Level" REG_DWORD 1

appdata=$(wine cmd /c 'echo %APPDATA%' 2>/dev/null | tr -d '\r')
data=$(realpath -m "$(winepath -u "$appdata\\Orvanta" 2>/dev/null)")
say "data: $data (logs in Logs/, databases in DB/)"
say "control it from another terminal: $0 ctl reload-rules | rules on | rules off | close"

# The collector runs in a session of its own, so the terminal's Ctrl-C
# reaches only this script, which then asks the collector to stop in order.
setsid --wait wine "$bin/QLOCollector.exe" </dev/null &
collector=$!
stop() {
  say "stopping the collector"
  wine "$bin/qloctl.exe" close || true
}
trap stop INT TERM
say "QLOCollector.exe runs; Ctrl-C stops it"
started=$(date +%s)
status=0
wait "$collector" || status=$?
# A wait interrupted by Ctrl-C returns early: wait again for the collector's own end.
if [ $status -gt 128 ]; then
  status=0
  wait "$collector" || status=$?
fi
if [ $(($(date +%s) - started)) -lt 5 ]; then
  say "the collector ended at once (exit status $status): another one runs on this desktop, or its window could not be created"
  exit 1
fi
say "the collector has ended (exit status $status)"
exit "$status"
