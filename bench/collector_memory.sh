#!/usr/bin/env bash
# Resident memory of the collector over 24 simulated hours of ticks and saves
# (collector_memory collector), beside a bare program that links the same
# libraries and opens the same X display and database files
# (collector_memory bare), on an Xvfb display of its own.
#
#   bench/collector_memory.sh      after cmake --build --preset linux-release
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
if [ "${1:-}" != "--inside" ]; then
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --inside "$@"
fi
bin="$repo/build/linux-release/bin"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

start=$(date +%s)
collector=$("$bin/collector_memory" collector "$work")
bare=$("$bin/collector_memory" bare "$work")
echo "$collector"
echo "$bare"
value() { awk -v key="$1" '$2 == key { print $3 }'; }
hour1=$(value rss_kb_hour1 <<<"$collector")
hour24=$(value rss_kb_hour24 <<<"$collector")
base=$(value rss_kb <<<"$bare")
rows=$(sqlite3 "$work/appdata/Orvanta/DB/act1226.db" "select count(*) from T_Activities")
echo "simulated day in $(( $(date +%s) - start )) s, $rows activities stored"
echo "collector after 24 h: $hour24 kB; bare: $base kB; difference $((hour24 - base)) kB"
echo "growth from hour 1 to hour 24: $((hour24 - hour1)) kB"
