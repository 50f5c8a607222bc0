#!/usr/bin/env bash
# The Windows qlorules serves its review page under Wine: a client on the
# Linux side is refused without the secret, gets the page and a day's rows
# with it, and an assignment it posts lands in the SQLite files (and in the
# edit log beside them).
#
#   qlorules_page_win_test.sh BIN   (the Windows target's bin folder; run in
#                                     the test suite's Wine prefix)
set -euo pipefail
. "$(dirname "$0")/wine_prefix_test_lib.sh"
bin=$1
work=$(mktemp -d /tmp/qlo-test-page-win.XXXXXX)
server=
trap '[ -n "$server" ] && kill "$server" 2>/dev/null; rm -rf "$work"' EXIT
mkdir "$work/data"
data=$(winepath -w "$work/data")
wine "$bin/sample_folder_helper.exe" "$data" || fail "no sample folder"

wine "$bin/qlorules.exe" serve --no-browser --data "$data" >"$work/out" 2>"$work/err" &
server=$!
wait_for 120 grep -q "key=" "$work/out" || fail "qlorules serve did not start: $(cat "$work/err")"
address=$(grep -o 'http://127\.0\.0\.1:[0-9]*/?key=[0-9a-f]*' "$work/out")
origin=${address%%/?key=*}
key=${address##*key=}
status() { curl -s -o /dev/null -w '%{http_code}' "$@"; }

[ "$(status "$origin/")" = 403 ] || fail "the page answered without the secret"
[ "$(status "$origin/?key=0$key")" = 403 ] || fail "the page answered a wrong secret"
[ "$(status -H "Host: rebind.example:${origin##*:}" "$address")" = 403 ] || fail "the page answered another host"
# grep reads the whole page: with -q it would leave at the first match and
# curl, still writing, would fail the pipeline.
curl -s "$address" | grep 'src="page.js"' >/dev/null || fail "the page did not come with the secret"

# The first March row that is not Internal's yet is assigned to Internal.
act="$work/data/act0326.db"
project=$(sqlite3 "$work/data/func.db" "select Id_Project from T_Projects where Name = 'Internal'")
row=$(sqlite3 "$act" "select Id_Activity from T_Activities where ifnull(Id_Project, 0) <> $project order by StartDate limit 1")
day=$(sqlite3 "$act" "select substr(StartDate, 1, 4) || '-' || substr(StartDate, 5, 2) || '-' || substr(StartDate, 7, 2) from T_Activities where Id_Activity = $row")
cookie="Cookie: qlo_key=$key"
curl -s -H "$cookie" "$origin/api/day?date=$day" | jq -e ".rows | map(.id) | index($row) != null" >/dev/null ||
  fail "the day's answer lacks row $row"
answer=$(curl -s -X POST -H "$cookie" -H "Origin: $origin" -H 'Content-Type: application/json' \
  -d "{\"rows\":[{\"month\":20260301000000,\"id\":$row}],\"projectId\":$project,\"taskId\":0}" "$origin/api/assign")
edit=$(echo "$answer" | jq -e '.editId') || fail "the assignment was refused: $answer"
[ "$(sqlite3 "$act" "select Id_Project from T_Activities where Id_Activity = $row")" = "$project" ] ||
  fail "the assignment did not land in $act"
[ "$(sqlite3 "$work/data/edits.db" "select count(*) from sqlite_master")" -ge 1 ] || fail "no edit log"
echo "qlorules serve under Wine: passed (edit $edit)"
