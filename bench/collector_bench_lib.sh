# Sourced by the collector benchmarks, once $work is made: the processes they
# start ($pids) are ended and $work removed when the script ends; the CPU of
# a process; a Linux collector started with folders and settings of its own.
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Nanoseconds on CPU of every thread of process $1.
cpu_ns() { cat /proc/"$1"/task/*/schedstat | awk '{ sum += $1 } END { printf "%d\n", sum }'; }

#
# start_collector NAME PROGRAM: runs PROGRAM with its folders under
# $work/NAME (settings file, data and runtime folders, an install folder),
# no system bus; its process id in $started, also added to $pids.
start_collector() {
  local home="$work/$1"
  mkdir -p "$home"/{data,run,install}
  cat >"$home/registry.reg" <<REG
Windows Registry Editor Version 5.00

[HKEY_LOCAL_MACHINE\\SOFTWARE\\Belvane\\Orvanta]
"Path"="$home/install"
"First Start"=dword:00000001
"QLOCollector Log Level"=dword:00000001
REG
  QLO_REGISTRY_FILE="$home/registry.reg" XDG_DATA_HOME="$home/data" XDG_RUNTIME_DIR="$home/run" \
    DBUS_SYSTEM_BUS_ADDRESS="unix:path=$work/no-bus" "$2" &
  started=$!
  pids+=($started)
}
