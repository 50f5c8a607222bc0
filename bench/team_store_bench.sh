#!/usr/bin/env bash
# The team store's whole-process figures against a PostgreSQL server of its
# own on 127.0.0.1 (tests/support/pg_test_server.sh, with fsync and
# synchronous commits on, as a real server runs):
#   - COLLECTORS collectors, each a data folder of ROWS activities in one
#     month, all pushing at once (one qlosync push each; or at most
#     CONCURRENT at a time, as a push of 5 000 rows takes some 30 MB of
#     memory), straight to the server or, with POOL > 0, through PgBouncer
#     in transaction mode with at most POOL server connections
#     (tests/support/pgbouncer_test_server.sh): rows per second ingested,
#     pushes failed, the most server connections busy with clients at once,
#     every row counted on the server afterwards;
#   - qloreport --server totals --by project --user all over them beside the
#     same statement run raw with psql, runs interleaved (A B A B ...),
#     medians quoted;
#   - the team's time by project over the month from the month and day summaries
#     beside the same grouping over the rows, both timed by the server
#     (psql's \timing), medians quoted.
#
#   bench/team_store_bench.sh [COLLECTORS] [ROWS] [RUNS] [POOL] [CONCURRENT]
#   after cmake --build --preset linux-release
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bin="$repo/build/linux-release/bin"
server="$repo/tests/support/pg_test_server.sh"
pooler="$repo/tests/support/pgbouncer_test_server.sh"
collectors=${1:-200}
rows=${2:-5000}
runs=${3:-7}
pool=${4:-0}
concurrent=${5:-$collectors}
work=$(mktemp -d)
chmod 755 "$work"  # the server may run as another user
trap 'sh "$pooler" stop "$work/pooler" >/dev/null 2>&1; sh "$server" stop "$work/server" >/dev/null 2>&1; rm -rf "$work"' EXIT

connections=$((collectors + 20))
[ "$pool" -gt 0 ] && connections=$((pool + 20))
sh "$server" start "$work/server" "max_connections = $connections" "shared_buffers = 256MB" \
  "fsync = on" "synchronous_commit = on" "full_page_writes = on"
port=$(cat "$work/server/port")
psql_() { psql -X -q -A -t -h 127.0.0.1 -p "$port" -U qlo "$@"; }
psql_ -d postgres -c "create database team"
conn="host=127.0.0.1 port=$port user=qlo dbname=team"
push_conn=$conn
if [ "$pool" -gt 0 ]; then
  sh "$pooler" start "$work/pooler" "$work/server" "$pool"
  push_conn="host=127.0.0.1 port=$(cat "$work/pooler/port") user=qlo dbname=team passfile=$work/pooler/pgpass"
fi
"$bin/team_store_data" generate "$work/data" "$collectors" "$rows"
"$bin/qlosync" init --server "$conn" >/dev/null

echo "== $collectors collectors pushing $rows rows each, $concurrent at once$([ "$pool" -gt 0 ] && echo ", through PgBouncer with $pool server connections")"
# The most client connections the server serves at once, sampled.
(
  peak=0
  while [ ! -f "$work/pushed" ]; do
    n=$(psql_ -d postgres -c "select count(*) from pg_stat_activity where backend_type = 'client backend'" || echo 0)
    [ "$n" -gt "$peak" ] && peak=$n
    echo "$peak" >"$work/peak"
    sleep 0.2
  done
) &
sampler=$!
start=$(date +%s.%N)
: >"$work/failed"
seq "$collectors" | xargs -P "$concurrent" -I{} sh -c \
  '"$0" push --data "$1/c$2" --person "person$2" --server "$3" >"$4/push$2.log" 2>&1 || echo "$2" >>"$4/failed"' \
  "$bin/qlosync" "$work/data" {} "$push_conn" "$work"
end=$(date +%s.%N)
failed=$(wc -l <"$work/failed")
touch "$work/pushed"
wait "$sampler"
stored=$(psql_ -d team -c "select count(*) from orvanta.activities")
awk -v s="$start" -v e="$end" -v n="$stored" -v f="$failed" -v p="$(cat "$work/peak")" 'BEGIN {
  printf "  %d rows stored in %.1f s: %.0f rows/s (%d pushes failed; at most %d server connections, the sampler'"'"'s included)\n", n, e - s, n / (e - s), f, p }'
[ "$failed" -eq 0 ] || grep -h "qlosync:" "$work"/push*.log | sort | uniq -c | sort -rn | head -n 3 >&2
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

# The team's time by project over January from the summaries and from the
# rows, each statement run RUNS times in one session, interleaved.
by_project() {
  echo "select coalesce(p.name, '(none)'), sum(x.seconds) from (select machine_id, project_id, sum($2) as seconds \
from $1 where $3 group by 1, 2) x left join orvanta.local_ids l on l.machine_id = x.machine_id and l.kind = 'p' \
and l.local_id = x.project_id left join orvanta.projects p on p.id = l.global_id group by 1 order by 2 desc, 1;"
}
summaries=$(by_project orvanta.month_totals seconds "month = 202601")
days=$(by_project orvanta.day_totals seconds "day between 20260101 and 20260131")
raw_rows=$(by_project orvanta.activities duration \
  "month = 202601 and start_date between 20260101000000 and 20260131235959")
for sums in "$summaries" "$days"; do
  [ "$(psql_ -d team -c "$sums")" = "$(psql_ -d team -c "$raw_rows")" ] || { echo "  the summaries differ from the rows" >&2; exit 1; }
done
{
  echo '\timing on'
  for _ in $(seq "$runs"); do echo "$summaries"; echo "$days"; echo "$raw_rows"; done
} | psql_ -d team | sed -n 's/^Time: \([0-9.]*\) ms.*/\1/p' >"$work/timings"
echo "== the team's time by project over January, $runs runs each, timed by the server"
awk 'NR % 3 == 1' "$work/timings" | median | xargs printf '  from the month summaries  %.1f ms\n'
awk 'NR % 3 == 2' "$work/timings" | median | xargs printf '  from the day summaries    %.1f ms\n'
awk 'NR % 3 == 0' "$work/timings" | median | xargs printf '  from the rows             %.1f ms\n'
paste - - - <"$work/timings" | awk '{ print $3 / $1 }' | median | xargs printf '  ratio rows / months (median of triples) %.0f\n'
