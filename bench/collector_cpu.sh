#!/usr/bin/env bash
# CPU time of the running collector per tick, beside x11_query_loop, a bare
# loop that makes the same X11 queries once a second. Both run at the same
# time on one Xvfb display of their own, with one window in front and no
# input (the activity turns Idle after a minute, as on an unattended desktop),
# for SECONDS (default 300) after a warm-up of 15 s. CPU time is the sum over
# the threads of each process of the time on CPU (/proc/PID/task/*/schedstat,
# in nanoseconds); a tick is one second of running.
#
#   bench/collector_cpu.sh [SECONDS]     after cmake --build --preset linux-release
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if [ "${1:-}" != "--inside" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --inside "$@"
fi
shift
seconds=${1:-300}
bin="$repo/build/linux-release/bin"
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Nanoseconds on CPU of every thread of process $1.
cpu_ns() { cat /proc/"$1"/task/*/schedstat | awk '{ sum += $1 } END { printf "%d\n", sum }'; }

mkdir -p "$work"/{data,run,install}
cat >"$work/registry.reg" <<REG
Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\\SOFTWARE\\Belvane\\Orvanta]
"Path"="$work/install"
"First Start"=dword:00000001
"QLOCollector Log Level"=dword:00000001
REG

cp "$bin/qlo_x11_windows" "$work/notepad.exe"
"$work/notepad.exe" --no-stdin --window main notepad.exe "report.txt - Notepad" >/dev/null &
pids+=($!)
sleep 1
QLO_REGISTRY_FILE="$work/registry.reg" XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/run" \
  DBUS_SYSTEM_BUS_ADDRESS="unix:path=$work/no-bus" "$bin/qlocollector" &
collector=$!
pids+=($collector)
"$bin/x11_query_loop" &
loop=$!
pids+=($loop)

sleep 15
c0=$(cpu_ns $collector); l0=$(cpu_ns $loop); t0=$(date +%s%N)
sleep "$seconds"
c1=$(cpu_ns $collector); l1=$(cpu_ns $loop); t1=$(date +%s%N)

awk -v c=$((c1 - c0)) -v l=$((l1 - l0)) -v t=$((t1 - t0)) 'BEGIN {
  ticks = t / 1e9
  printf "measured over %.0f s (ticks)\n", ticks
  printf "collector        %8.1f us CPU per tick\n", c / 1e3 / ticks
  printf "x11_query_loop   %8.1f us CPU per tick\n", l / 1e3 / ticks
  printf "ratio            %8.2f\n", c / l
}'
rows=$(sqlite3 "$work/data/Orvanta/DB/"act*.db "select count(*) from T_Activities" 2>/dev/null || echo "?")
echo "activities stored during the run: $rows"
