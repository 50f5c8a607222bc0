#!/usr/bin/env bash
# The Windows installer under Wine, in a fresh prefix of its own:
# - a silent install leaves the programs, the settings, the start at login,
#   the Start-menu entries and the browser host's registration;
# - the collector, started as the login starts it, records;
# - an update (here for every user) stops it in order before it replaces it;
# - the report tool reads what was recorded;
# - a silent uninstall stops it in order (its activity saved), removes the
#   programs, the start at login, the entries and the registration, and
#   keeps the data and the settings; one asked to remove the data does so;
# - /D= naming a folder that exists already (and that other users might have
#   filled) installs there and runs nothing it held.
#
# Wine keeps no access lists of files (it reads back a made-up one whatever
# was set), so the rights the installer gives that folder cannot be seen
# here; what is checked is that setting them works and that the installer
# runs its own qloctl, never one found in the folder.
#
#   installer_win_test.sh PACKAGES_FOLDER PROGRAM...
#   (scripts/package.sh fills the folder; the programs the build ships)
set -euo pipefail
. "$(dirname "$0")/wine_prefix_test_lib.sh"
installer=$(ls "$1"/QLOCollector-*-setup.exe 2>/dev/null | tail -n 1)
[ -n "$installer" ] || fail "no installer in $1: run scripts/package.sh"
shift

work=$(mktemp -d /tmp/qlo-test-installer.XXXXXX)
trap 'wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
fresh_prefix "$work/prefix"
programs="$WINEPREFIX/drive_c/Program Files/Orvanta"
menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Orvanta"
data=$(data_folder)
log=$data/Logs/QLOCollector.log
settings='HKLM\SOFTWARE\Belvane\Orvanta'
user_run='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
machine_run='HKLM\Software\Microsoft\Windows\CurrentVersion\Run'
firefox_host='HKCU\Software\Mozilla\NativeMessagingHosts\com.belvane.orvanta.qlo_browser_host'
start_command='"C:\Program Files\Orvanta\QLOCollector.exe"'

# The collector as the login starts it; waits until it tracks.
start_collector() {
  wine "${start_command//\"/}" &
  collector=$!
  wait_for_activity "$data"
}
# stopped_in_order <count>: the collector has ended with status 0, and it has
# saved the activity in progress at <count> orderly stops so far.
stopped_in_order() {
  wait_for 120 gone $collector || fail "the collector still runs"
  wait $collector || fail "the collector ended with status $?"
  [ "$(grep -c "StopAndSaveActivity finished" "$log")" -eq "$1" ] || fail "the collector did not stop in order"
  [ "$(stored_rows "$data" "p.FileName = 'notepad.exe'")" -ge "$1" ] || fail "the activity in progress was not saved"
}
uninstall() {
  wine "$programs/Uninstall.exe" /S "$@" || fail "the uninstaller failed"
  # It goes on from a copy of itself: done when the install folder is gone.
  wait_for 120 test ! -e "$programs" || fail "the install folder is still there"
}

wine "$installer" /S || fail "the installer failed"
for file in "${@/%/.exe}" Uninstall.exe browser/chromium/manifest.json browser/firefox/manifest.json browser/qlo-browser-chromium.zip \
  browser/qlo-browser-firefox.xpi third-party-notices.txt; do
  [ -f "$programs/$file" ] || fail "$file is not installed"
done
[ "$(reg_value "$settings" Path)" = 'C:\Program Files\Orvanta' ] || fail "Path: $(reg_value "$settings" Path)"
[ "$(reg_value "$settings" 'First Start')" = 0x1 ] || fail "First Start is not 1"
[ "$(reg_value "$settings" 'QLOCollector Log Level')" = 0x1 ] || fail "the log level is not 1"
[ "$(reg_value "$user_run" QLOCollector)" = "$start_command" ] || fail "no start at login"
[ -z "$(reg_value "$machine_run" QLOCollector)" ] || fail "a start at every user's login"
for entry in "Activity report" QLOCollector Uninstall; do
  [ -f "$menu/$entry.lnk" ] || fail "no Start-menu entry $entry"
done
strings -el "$menu/Activity report.lnk" | grep -qF '\qloreport.exe" html' || fail "the report entry does not run qloreport html"
manifest=$(reg_value "$firefox_host" '')
grep -qF 'qlo-browser-host.exe' "$(winepath -u "$manifest")" || fail "the browser host is not registered"

wine notepad >/dev/null 2>&1 &
start_collector
wine "$installer" /S /ALLUSERS || fail "the update failed"
stopped_in_order 1
[ "$(reg_value "$machine_run" QLOCollector)" = "$start_command" ] || fail "no start at every user's login"
[ -z "$(reg_value "$user_run" QLOCollector)" ] || fail "a start at this user's login too"
wine "$programs/qloreport.exe" html --from month -o 'C:\report.html' || fail "qloreport html failed"
grep -q notepad.exe "$WINEPREFIX/drive_c/report.html" || fail "the report does not show the recorded program"

start_collector
uninstall
stopped_in_order 2
[ -z "$(reg_value "$machine_run" QLOCollector)" ] || fail "the start at login is left"
[ ! -e "$menu" ] || fail "the Start-menu entries are left"
[ -z "$(reg_value "$firefox_host" '')" ] || fail "the browser host's registration is left"
[ "$(reg_value "$settings" Path)" = 'C:\Program Files\Orvanta' ] || fail "the settings were removed"

wine "$installer" /S || fail "the installer failed"
# A program left in a folder as qloctl.exe: here a collector, which would
# show itself by its logs (and keep the installer waiting) if it were run.
shared="$WINEPREFIX/drive_c/Shared/Orvanta"
mkdir -p "$shared"
cp "$programs/QLOCollector.exe" "$shared/qloctl.exe"
uninstall /REMOVEDATA
[ ! -e "$data" ] || fail "the data folder is left"
[ -z "$(reg_value "$settings" Path)" ] || fail "the settings are left"

timeout 120 wine "$installer" /S '/D=C:\Shared\Orvanta' || fail "the installer into an existing folder failed"
[ ! -e "$data/Logs" ] || fail "the installer ran the qloctl.exe it found in the folder"
[ "$(reg_value "$user_run" QLOCollector)" = '"C:\Shared\Orvanta\QLOCollector.exe"' ] || fail "no start at login"
programs=$shared
uninstall /REMOVEDATA
echo "installer: passed"
