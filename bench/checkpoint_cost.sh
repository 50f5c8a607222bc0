#!/usr/bin/env bash
# What the checkpoint costs a running collector in the steady state, beside a
# collector without it: two collectors run at the same time on one Xvfb
# display of their own, each with its own folders, with one window in front
# and no input (the activity turns Idle after a minute, then goes on), for
# SECONDS (default 600) after a warm-up of 15 s. For each: CPU time per tick
# (the sum over its threads of /proc/PID/task/*/schedstat; a tick is one
# second of running), and its writes from /proc/PID/io as rates per hour:
# write system calls (syscw), bytes handed to write (wchar) and bytes sent to
# the disk (write_bytes). The folders lie on the disk under build/.
#
#   bench/checkpoint_cost.sh BASELINE_QLOCOLLECTOR [SECONDS]
#
# BASELINE_QLOCOLLECTOR is a linux-release qlocollector built from the code
# before the checkpoint, for example:
#   git archive <commit> | tar -x -C /tmp/base && cmake --preset linux-release -S /tmp/base &&
#   cmake --build /tmp/base/build/linux-release --target qlocollector
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if [ "${1:-}" != "--inside" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --inside "$@"
fi
shift
baseline=${1:?usage: bench/checkpoint_cost.sh BASELINE_QLOCOLLECTOR [SECONDS]}
seconds=${2:-600}
bin="$repo/build/linux-release/bin"
mkdir -p "$repo/build"
work=$(mktemp -d "$repo/build/checkpoint-cost.XXXXXX")
. "$(dirname "$0")/collector_bench_lib.sh"

io() { awk -v key="$2:" '$1 == key { print $2 }' /proc/"$1"/io; }

cp "$bin/qlo_x11_windows" "$work/notepad.exe"
"$work/notepad.exe" --no-stdin --window main notepad.exe "report.txt - Notepad" >/dev/null &
pids+=($!)
sleep 1

start_collector baseline "$baseline"
base=$started
start_collector checkpoint "$bin/qlocollector"
mine=$started

sleep 15
declare -A c0 c1 w0 w1 b0 b1 d0 d1
for p in $base $mine; do
  c0[$p]=$(cpu_ns $p); w0[$p]=$(io $p syscw); b0[$p]=$(io $p wchar); d0[$p]=$(io $p write_bytes)
done
t0=$(date +%s%N)
sleep "$seconds"
for p in $base $mine; do
  c1[$p]=$(cpu_ns $p); w1[$p]=$(io $p syscw); b1[$p]=$(io $p wchar); d1[$p]=$(io $p write_bytes)
done
t1=$(date +%s%N)

echo "measured over $(( (t1 - t0) / 1000000000 )) s (ticks)"
printf "%-22s %14s %14s %16s %18s\n" "" "us CPU/tick" "writes/hour" "bytes/hour" "disk bytes/hour"
for name in baseline checkpoint; do
  p=$base; [ $name = checkpoint ] && p=$mine
  awk -v name=$name -v c=$((c1[$p] - c0[$p])) -v w=$((w1[$p] - w0[$p])) -v b=$((b1[$p] - b0[$p])) \
    -v d=$((d1[$p] - d0[$p])) -v t=$((t1 - t0)) 'BEGIN {
    s = t / 1e9; h = 3600 / s
    printf "%-22s %14.1f %14.0f %16.0f %18.0f\n", name, c / 1e3 / s, w * h, b * h, d * h
  }'
done
