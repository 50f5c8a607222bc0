# Sourced by the collector benchmarks: starts a Linux collector with folders
# and settings of its own.
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
