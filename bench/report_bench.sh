#!/usr/bin/env bash
# qloreport's whole-process figures on generated data, each beside its
# baseline in the same run, runs interleaved (A B A B ...), medians quoted:
#   - a year (12 month files x ROWS rows): totals --by task over the year
#     beside the same grouped SQL run raw over the same files (report_data raw);
#   - html over one month beside totals over that month;
#   - peak resident memory of totals and html over 1 and 12 months, and over
#     one month of a tenth of the rows;
#   - the longest read transaction the reader holds on a month file.
#
#   bench/report_bench.sh [ROWS] [RUNS]     after cmake --build --preset linux-release
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bin="$repo/build/linux-release/bin"
rows=${1:-100000}
runs=${2:-7}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/year" "$work/small"
"$bin/report_data" generate "$work/year" 2025 12 "$rows"
"$bin/report_data" generate "$work/small" 2025 1 $((rows / 10))
year="--data $work/year --from 2025-01-01 --to 2025-12-31"
march="--data $work/year --from 2025-03-01 --to 2025-03-31"

# measure <label> <command...>: one run; appends "wall cpu maxrss_kB" to $work/<label>.
measure() {
  local label=$1; shift
  /usr/bin/time -o "$work/time" -f "%e %U %S %M" "$@" >/dev/null
  awk '{ printf "%.3f %.3f %d\n", $1, $2 + $3, $4 }' "$work/time" >>"$work/$label"
}
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
column() { awk -v c="$2" '{ print $c }' "$work/$1"; }
# pair <label A> <label B>: medians of wall and CPU, and the median of the pairwise ratios.
pair() {
  local a=$1 b=$2
  printf '%-22s wall %6.3f s  cpu %6.3f s\n' "$a" "$(column "$a" 1 | median)" "$(column "$a" 2 | median)"
  printf '%-22s wall %6.3f s  cpu %6.3f s\n' "$b" "$(column "$b" 1 | median)" "$(column "$b" 2 | median)"
  paste "$work/$a" "$work/$b" | awk '{ print $1 / $4 }' | median | xargs printf '  ratio wall (median of pairs) %.2f\n'
  paste "$work/$a" "$work/$b" | awk '{ print $2 / $5 }' | median | xargs printf '  ratio cpu  (median of pairs) %.2f\n'
}

# One warm-up of each, so that every run reads the files from the page cache.
"$bin/qloreport" totals --by task $year >/dev/null
"$bin/report_data" raw "$work/year" 20250101000000 20251231235959 >/dev/null
"$bin/qloreport" html $march -o "$work/page.html"

for _ in $(seq "$runs"); do
  measure totals_year "$bin/qloreport" totals --by task $year
  measure raw_sql_year "$bin/report_data" raw "$work/year" 20250101000000 20251231235959
  measure html_month "$bin/qloreport" html $march -o "$work/page.html"
  measure totals_month "$bin/qloreport" totals $march
done
echo "== $rows rows a month, $runs runs each"
pair totals_year raw_sql_year
pair html_month totals_month

echo "== peak resident memory (kB)"
for range in "--from 2025-03-01 --to 2025-03-31" "--from 2025-01-01 --to 2025-12-31"; do
  rm -f "$work/m1" "$work/m2"
  measure m1 "$bin/qloreport" totals --by task --data "$work/year" $range
  measure m2 "$bin/qloreport" html --data "$work/year" $range -o "$work/page.html"
  echo "$range: totals $(column m1 3), html $(column m2 3)"
done
rm -f "$work/m1" "$work/m2"
measure m1 "$bin/qloreport" totals --by task --data "$work/small" --from 2025-01-01 --to 2025-01-31
measure m2 "$bin/qloreport" html --data "$work/small" --from 2025-01-01 --to 2025-01-31 -o "$work/page.html"
echo "one month of $((rows / 10)) rows: totals $(column m1 3), html $(column m2 3)"

echo "== read transactions"
"$bin/report_data" reads "$work/year" 20250301000000 20250331235959
