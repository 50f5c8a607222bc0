#!/usr/bin/env bash
# CPU time of the running collector per tick, beside a yardstick process
# running at the same time, for SECONDS (default 300) after a warm-up of 15 s,
# with one window in front that does not change and no input (the activity
# turns Idle after a minute, as on an unattended desktop):
#   x11   (default) on an Xvfb display of its own, beside x11_query_loop, a
#         bare loop making the X11 queries of a tick that asks the server
#         every time (five round trips) once a second;
#   sway  on a headless sway of its own, beside wayland_idle_loop, a Wayland
#         client that wakes once a second and reads its events.
# Beside both runs wake_loop, which wakes once a second and does nothing: the
# floor of any once-a-second process.
# With BASELINE_QLOCOLLECTOR (a qlocollector built from other code, for
# example git archive <commit> | tar -x -C /tmp/base and a linux-release build
# there) that collector runs too, at the same time and with folders of its
# own: a comparison made in one run, on one machine load.
# CPU time is the sum over the threads of each process of the time on CPU
# (/proc/PID/task/*/schedstat, in nanoseconds); a tick is one second of running.
#
#   bench/collector_cpu.sh [x11|sway] [SECONDS [BASELINE_QLOCOLLECTOR]]     after cmake --build --preset linux-release
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
mode=x11
case "${1:-}" in x11|sway) mode=$1; shift ;; esac
if [ "$mode" = x11 ] && [ "${1:-}" != "--inside" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" x11 --inside "$@"
fi
[ "${1:-}" = "--inside" ] && shift
seconds=${1:-300}
baseline=${2:-}
bin="$repo/build/linux-release/bin"
work=$(mktemp -d)
. "$(dirname "$0")/collector_bench_lib.sh"



if [ "$mode" = x11 ]; then
  cp "$bin/qlo_x11_windows" "$work/notepad.exe"
  "$work/notepad.exe" --no-stdin --window main notepad.exe "report.txt - Notepad" >/dev/null &
  pids+=($!)
  yardstick=(x11_query_loop "$bin/x11_query_loop")
else
  # sway refuses root: as uid 65534 in a runtime folder of its own (see
  # tests/support/sway_compositor_linux.cpp).
  sway_run=$(mktemp -d /tmp/qlo-bench-sway-XXXXXX)
  printf 'xwayland disable\n' >"$sway_run/config"
  chmod 644 "$sway_run/config"
  as_sway=()
  if [ "$(id -u)" -eq 0 ]; then
    chown 65534:65534 "$sway_run"
    as_sway=(setpriv --reuid=65534 --regid=65534 --clear-groups)
  fi
  "${as_sway[@]}" env -i XDG_RUNTIME_DIR="$sway_run" HOME="$sway_run" WLR_BACKENDS=headless WLR_RENDERER=pixman \
    WLR_LIBINPUT_NO_DEVICES=1 sway -c "$sway_run/config" 2>/dev/null &
  pids+=($!)
  trap 'cleanup; rm -rf "$sway_run"' EXIT
  for _ in $(seq 100); do ls "$sway_run"/wayland-? >/dev/null 2>&1 && break; sleep 0.1; done
  export WAYLAND_DISPLAY=$(ls "$sway_run"/wayland-? | head -n 1) XDG_SESSION_TYPE=wayland XDG_CURRENT_DESKTOP=sway
  unset DISPLAY
  cp "$bin/qlo_wayland_windows" "$work/texteditor"
  # A window of an app id that names its program; the helper's input stays open.
  coproc editor { exec "$work/texteditor"; }
  pids+=($editor_PID)
  read -r _ <&"${editor[0]}"
  echo "window main texteditor Draft" >&"${editor[1]}"
  read -r _ <&"${editor[0]}"
  yardstick=(wayland_idle_loop "$bin/wayland_idle_loop")
fi
sleep 1
start_collector collector "$bin/qlocollector"
collector=$started
base=
if [ -n "$baseline" ]; then
  start_collector baseline "$baseline"
  base=$started
fi
"${yardstick[1]}" &
loop=$!
pids+=($loop)
"$bin/wake_loop" &
wake=$!
pids+=($wake)

sleep 15
b0=0; b1=0
c0=$(cpu_ns $collector); l0=$(cpu_ns $loop); w0=$(cpu_ns $wake); [ -n "$base" ] && b0=$(cpu_ns $base); t0=$(date +%s%N)
sleep "$seconds"
c1=$(cpu_ns $collector); l1=$(cpu_ns $loop); w1=$(cpu_ns $wake); [ -n "$base" ] && b1=$(cpu_ns $base); t1=$(date +%s%N)

awk -v c=$((c1 - c0)) -v l=$((l1 - l0)) -v w=$((w1 - w0)) -v b=$((b1 - b0)) -v t=$((t1 - t0)) \
  -v name="${yardstick[0]}" -v baseline="$base" 'BEGIN {
  ticks = t / 1e9
  printf "measured over %.0f s (ticks)\n", ticks
  printf "collector          %8.1f us CPU per tick\n", c / 1e3 / ticks
  if (baseline != "") printf "baseline collector %8.1f us CPU per tick\n", b / 1e3 / ticks
  printf "%-18s %8.1f us CPU per tick\n", name, l / 1e3 / ticks
  printf "wake_loop          %8.1f us CPU per tick\n", w / 1e3 / ticks
  printf "ratio              %8.2f (collector / %s)\n", c / l, name
  if (baseline != "") printf "ratio              %8.2f (baseline collector / %s)\n", b / l, name
  printf "ratio              %8.2f (wake_loop / %s)\n", w / l, name
}'
rows=$(sqlite3 "$work/collector/data/Orvanta/DB/"act*.db "select count(*) from T_Activities" 2>/dev/null || echo "?")
echo "activities stored during the run: $rows"
