# Sourced by the shell tests that run Windows programs in a fresh Wine prefix
# of their own (never the test suite's prefix, whose registry other tests use).

fail() {
  echo "FAILED: $*" >&2
  exit 1
}

# wait_for <seconds> <command...>: polls the command until it succeeds;
# status 1 when it has not within the limit.
wait_for() {
  local limit=$(($(date +%s) + $1))
  shift
  until "$@"; do
    [ "$(date +%s)" -lt $limit ] || return 1
    sleep 0.2
  done
}

# gone <pid>: the process has ended.
gone() { ! kill -0 "$1" 2>/dev/null; }

# fresh_prefix <folder>: a new 32-bit prefix there, used from here on, set up
# as scripts/wine_env.sh sets up the project's own, but without Wine's menu
# builder (which would write the prefix's Start menu into the home folder).
fresh_prefix() {
  export WINEPREFIX=$1 WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  wineboot -i >/dev/null 2>&1
  wineserver -w
}

# The collector's data folder of the prefix's user (%APPDATA%\Orvanta).
data_folder() { echo "$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Orvanta"; }

# reg_value <key> <name>: the data of a registry value as `reg query` shows
# it ("" when it is missing); the name "" is the key's default value.
reg_value() {
  local which=(/v "$2") shown=$2
  [ -n "$2" ] || { which=(/ve); shown="(Default)"; }
  { wine reg query "$1" "${which[@]}" 2>/dev/null || true; } | tr -d '\r' |
    awk -v name="$shown" 'index($0, "    " name "    ") == 1 { sub(/^.*    REG_[A-Z_]+    /, ""); print }'
}

# wait_for_activity <data folder>: waits until the collector has begun its
# first activity, then long enough for it to last (an activity of 0 seconds
# is not stored).
wait_for_activity() {
  wait_for 180 grep -qs "Init activity" "$1/Logs/QLOCollector.log" || fail "the collector did not start tracking"
  sleep 2
}

# stored_rows <data folder> <where clause>: how many stored activities of the
# month files match, with the application's file name as p.FileName.
stored_rows() {
  local db count=0
  for db in "$1"/DB/act*.db; do
    [ -f "$db" ] || continue
    count=$((count + $(sqlite3 "$db" "attach '$1/DB/sys.db' as sys;
      select count(*) from T_Activities a left join sys.T_Apps p on p.Id_App = a.Id_App where $2")))
  done
  echo $count
}
