#!/usr/bin/env bash
# Set-up, build of both targets, their packages (scripts/package.sh) and
# every test of both: the Linux tests
# natively (under AddressSanitizer and UndefinedBehaviorSanitizer), the
# Windows tests cross-compiled and run under Wine; each target's tests run
# inside an Xvfb display of their own. Ends with one line per target and a
# last line "N passed, N failed" for the whole run.
set -uo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
cd "$repo"

"$repo/scripts/setup.sh" || { echo "set-up failed"; echo "0 passed, 1 failed"; exit 1; }

declare -A passed failed
overall=0

# run_target <preset> <test command...>: configure, build, test; records counts.
run_target() {
  local preset=$1; shift
  local log="$repo/build/$preset-ctest.log"
  passed[$preset]=0; failed[$preset]=0
  echo "== $preset: build"
  if ! cmake --preset "$preset" >/dev/null || ! cmake --build --preset "$preset"; then
    echo "== $preset: build failed"
    failed[$preset]=1; overall=1
    return
  fi
  echo "== $preset: tests"
  "$@" 2>&1 | tee "$log"
  local status=${PIPESTATUS[0]}
  # The counts of every ctest run of the target, added up.
  local counts total fails
  counts=$(sed -nE 's/^[0-9]+% tests passed, ([0-9]+) tests? failed out of ([0-9]+).*/\1 \2/p' "$log" |
    awk '{ f += $1; t += $2 } END { if (NR) print f, t }')
  if [ -n "$counts" ]; then
    read -r fails total <<<"$counts"
    passed[$preset]=$((total - fails)); failed[$preset]=$fails
  else
    failed[$preset]=1
  fi
  [ "$status" -eq 0 ] && [ "${failed[$preset]}" -eq 0 ] || overall=1
}

start=$(date +%s)
# The Windows installer and the Debian package, which tests of both targets
# install and remove.
echo "== packages"
packages_failed=0
if "$repo/scripts/package.sh"; then
  echo "== packages in $(( $(date +%s) - start )) s"
else
  echo "== packages failed"
  packages_failed=1; overall=1
fi
run_target linux "$repo/scripts/run_linux_tests.sh"
run_target windows "$repo/scripts/run_windows_tests.sh"

echo "== done in $(( $(date +%s) - start )) s"
echo "linux: ${passed[linux]} passed, ${failed[linux]} failed"
echo "windows: ${passed[windows]} passed, ${failed[windows]} failed"
echo "$(( passed[linux] + passed[windows] )) passed, $(( failed[linux] + failed[windows] + packages_failed )) failed"
exit $overall
