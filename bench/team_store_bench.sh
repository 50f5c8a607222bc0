#!/usr/bin/env bash
# The team store's whole-process figures against a PostgreSQL server of its
# own on 127.0.0.1 (tests/support/pg_test_server.sh, with fsync and
# synchronous commits on, as a real server runs):
#   - COLLECTORS collectors, each a data folder of ROWS activities in one
#     month, all pushing at once (one qlosync push each): rows per second
#     ingested, every row counted on the server afterwards;
#   - qloreport --server totals --by project --user all over them beside the
#     same statement run raw with psql, runs interleaved (A B A B ...),
#     medians quoted.
#
#   bench/team_store_bench.sh [COLLECTORS] [ROWS] [RUNS]   after cmake --build --preset linux-release
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bin="$repo/build/linux-release/bin"
server="$repo/tests/support/pg_test_server.sh"
collectors=${1:-200}
rows=${2:-5000}
runs=${3:-7}
work=$(mktemp -d)
chmod 755 "$work"  # the server may run as another user
trap 'sh "$server" stop "$work/server" >/dev/null 2>&1; rm -rf "$work"' EXIT

sh "$server" start "$work/server" "max_connections = $((collectors + 20))" "shared_buffers = 256MB" \
  "fsync = on" "synchronous_commit = on" "full_page_writes = on"
port=$(cat "$work/server/port")
psql_() { psql -X -q -A -t -h 127.0.0.1 -p "$port" -U qlo "$@"; }
psql_ -d postgres -c "create database team"
conn="host=127.0.0.1 port=$port user=qlo dbname=team"
"$bin/team_store_data" generate "$work/data" "$collectors" "$rows"
"$bin/qlosync" init --server "$conn" >/dev/null

echo "== $collectors collectors pushing $rows rows each at once"
start=$(date +%s.%N)
pids=()
for i in $(seq "$collectors"); do
  "$bin/qlosync" push --data "$work/data/c$i" --person "person$i" --server "$conn" >"$work/push$i.log" 2>&1 &
  pids+=($!)
done
failed=0
for pid in "${pids[@]}"; do wait "$pid" || failed=$((failed + 1)); done
end=$(date +%s.%N)
stored=$(psql_ -d team -c "select count(*) from orvanta.activities")
awk -v s="$start" -v e="$end" -v n="$stored" -v f="$failed" 'BEGIN {
  printf "  %d rows stored in %.1f s: %.0f rows/s (%d pushes failed)\n", n, e - s, n / (e - s), f }'
[ "$stored" -eq $((collectors * rows)) ] || { echo "  expected $((collectors * rows)) rows" >&2; exit 1; }
psql_ -d team -c "vacuum analyze" >/dev/null
printf '  database size %s\n' "$(psql_ -d team -c "select pg_size_pretty(pg_database_size('team'))")"

sql=$("$bin/team_store_data" sql 20260101000000 20260131235959)
report=("$bin/qloreport" totals --by project --server "$conn" --user all --from 2026-01-01 --to 2026-01-31)
raw=(psql -X -q -A -t -h 127.0.0.1 -p "$port" -U qlo -d team -c "$sql")
"${report[@]}" >/dev/null
"${raw[@]}" >/dev/null
: >"$work/report"
: >"$work/raw"
for _ in $(seq "$runs"); do
  /usr/bin/time -a -o "$work/report" -f "%e" "${report[@]}" >/dev/null
  /usr/bin/time -a -o "$work/raw" -f "%e" "${raw[@]}" >/dev/null
done
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
echo "== totals --by project --user all over $((collectors * rows)) rows, $runs runs each"
printf '  qloreport --server  %.3f s\n' "$(median <"$work/report")"
printf '  psql, the same SQL  %.3f s\n' "$(median <"$work/raw")"
paste "$work/report" "$work/raw" | awk '{ print $1 / $2 }' | median | xargs printf '  ratio (median of pairs) %.2f\n'
