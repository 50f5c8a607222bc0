#!/usr/bin/env bash
# qlorules' whole-process figures on generated data, each beside the same
# work done by plain SQL in the same run, runs interleaved, medians quoted:
#   - a rule's preview (qlorules test) over a year (12 month files x ROWS rows)
#     and over one month, beside counting the rows whose title holds the word
#     (report_data catch);
#   - apply over one month with the rule added (it re-categorises every active
#     and idle row: those the rule does not catch get the default task),
#     beside one update of all those rows (report_data assign with an empty
#     word); each apply is undone after it is measured (the undo is measured
#     too), each raw update set back.
#
#   bench/curation_bench.sh [ROWS] [RUNS]     after cmake --build --preset linux-release
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bin="$repo/build/linux-release/bin"
rows=${1:-100000}
runs=${2:-5}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/year"
"$bin/report_data" generate "$work/year" 2025 12 "$rows"
rules="$bin/qlorules --data $work/year"
# A rule that catches about a tenth of the rows: titles "Window title N ..."
# with N holding "12".
rule="--project 4 --task 3 --title 12"
year="--from 2025-01-01 --to 2025-12-31"
march="--from 2025-03-01 --to 2025-03-31"

measure() {
  local label=$1; shift
  /usr/bin/time -o "$work/time" -f "%e %U %S" "$@" >/dev/null
  awk '{ printf "%.3f %.3f\n", $1, $2 + $3 }' "$work/time" >>"$work/$label"
}
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
column() { awk -v c="$2" '{ print $c }' "$work/$1"; }
show() { printf '%-22s wall %6.3f s  cpu %6.3f s\n' "$1" "$(column "$1" 1 | median)" "$(column "$1" 2 | median)"; }

# Warm-up: every file in the page cache.
$rules test $rule $year >/dev/null
"$bin/report_data" catch "$work/year" 20250101000000 20251231235959 12 >/dev/null

for _ in $(seq "$runs"); do
  measure preview_year $rules test $rule $year
  measure raw_catch_year "$bin/report_data" catch "$work/year" 20250101000000 20251231235959 12
  measure preview_month $rules test $rule $march
  measure raw_catch_month "$bin/report_data" catch "$work/year" 20250301000000 20250331235959 12
done
$rules add $rule >/dev/null 2>&1
for _ in $(seq "$runs"); do
  measure apply_month $rules apply $march
  measure undo_month $rules undo
  measure raw_update_month "$bin/report_data" assign "$work/year" 20250301000000 20250331235959 "" 4 3
  "$bin/report_data" assign "$work/year" 20250301000000 20250331235959 "" 1 1 >/dev/null
done
echo "== $rows rows a month, $runs runs each"
for label in preview_year raw_catch_year preview_month raw_catch_month apply_month undo_month raw_update_month; do
  show "$label"
done
$rules apply $march --dry-run | tail -1
"$bin/report_data" assign "$work/year" 20250301000000 20250331235959 "" 4 3
