#!/usr/bin/env bash
# scripts/run-windows.sh as a developer starts it on a fresh clone: a Wine
# prefix that does not exist yet and no display. It fills the settings and
# starts the collector on an Xvfb display of its own; Ctrl-C (SIGINT to the
# terminal's whole process group) stops the collector in order, its activity
# saved, and the script ends with status 0, its display gone.
#
#   run_windows_script_test.sh REPOSITORY   (the Windows target built)
set -euo pipefail
. "$(dirname "$0")/wine_prefix_test_lib.sh"
repo=$1
work=$(mktemp -d /tmp/qlo-test-run-windows.XXXXXX)
script=
trap '[ -n "$script" ] && kill -TERM "$script" 2>/dev/null; WINEPREFIX=$work/prefix wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
export WINEPREFIX=$work/prefix
unset DISPLAY

# In a process group of its own, as a terminal's foreground job, with SIGINT
# not ignored (a shell ignores it in the commands it starts in the background).
QLO_WINEPREFIX=$WINEPREFIX setsid env --default-signal=INT "$repo/scripts/run-windows.sh" >"$work/out" 2>&1 &
script=$!
data=$(data_folder)
wait_for_activity "$data"
display=$(sed -n 's/^\[run-windows\] Xvfb display //p' "$work/out")
[ -n "$display" ] || fail "no display of its own: $(cat "$work/out")"

kill -INT -- "-$script"
wait_for 120 gone "$script" || fail "the script still runs"
status=0
wait "$script" || status=$?
script=
[ $status -eq 0 ] || fail "exit status $status: $(cat "$work/out")"
grep -q "StopAndSaveActivity finished" "$data/Logs/QLOCollector.log" || fail "the collector did not stop in order"
[ "$(stored_rows "$data" 1)" -ge 1 ] || fail "the activity in progress was not saved"
wait_for 30 test ! -e "/tmp/.X11-unix/X${display#:}" || fail "its display $display is still there"
echo "run-windows.sh: passed"
