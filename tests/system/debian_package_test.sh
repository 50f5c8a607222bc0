#!/usr/bin/env bash
# The Debian package: its contents, lintian, its systemd user unit, and an
# installation into a throw-away root, from which the desktop session's start
# writes a new user's settings and browser manifests and runs a collector
# that records and stops in order; the menu's report opens; removing the
# package leaves the user's data.
#
#   debian_package_test.sh PACKAGES_FOLDER PROGRAM...
#   (scripts/package.sh fills the folder; the programs the build ships)
set -euo pipefail
. "$(dirname "$0")/wine_prefix_test_lib.sh"
deb=$(ls "$1"/qlocollector_*.deb 2>/dev/null | tail -n 1)
[ -n "$deb" ] || fail "no Debian package in $1: run scripts/package.sh"
shift
[ -n "${DISPLAY:-}" ] || fail "needs an X display: run it through scripts/run_linux_tests.sh"

work=$(mktemp -d /tmp/qlo-test-deb.XXXXXX)
collector=
trap '[ -n "$collector" ] && kill "$collector" 2>/dev/null; rm -rf "$work"' EXIT

listing=$(dpkg-deb -c "$deb" | awk '{ print $6 }')
programs=("$@")
manuals=("${programs[@]/%/.1.gz}")
for file in "${programs[@]/#//usr/bin/}" "${manuals[@]/#//usr/share/man/man1/}" \
  /usr/libexec/qlocollector/qlocollector-session /usr/libexec/qlocollector/linux_settings.sh \
  /usr/libexec/qlocollector/install-gnome-extension.sh \
  /usr/share/qlocollector/gnome-shell/qlocollector-focus@orvanta.belvane/extension.js \
  /usr/lib/systemd/user/qlocollector.service /etc/xdg/autostart/qlocollector.desktop \
  /usr/share/applications/orvanta-activity-report.desktop /usr/share/qlocollector/browser/chromium/manifest.json /usr/share/qlocollector/browser/qlo-browser-firefox.xpi; do
  grep -qx ".$file" <<<"$listing" || fail "the package lacks $file"
done
findings=$(lintian --fail-on error,warning "$deb" 2>/dev/null) || fail "lintian: $findings"

# A root of its own: dpkg's database and nothing else (so the dependencies
# are forced); the package has no maintainer scripts to run in it.
root=$work/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status"
dpkg --root="$root" --force-depends -i "$deb" >/dev/null 2>&1 || fail "dpkg could not install the package"

# The autostart entry and the unit run the session start. The unit is
# verified with its command pointed into the root.
session=/usr/libexec/qlocollector/qlocollector-session
[ "$(sed -n 's/^Exec=//p' "$root/etc/xdg/autostart/qlocollector.desktop")" = "$session" ] ||
  fail "the autostart entry does not run the session start"
unit=$root/usr/lib/systemd/user/qlocollector.service
[ "$(sed -n 's/^ExecStart=//p' "$unit")" = "$session" ] || fail "the unit does not run the session start"
mkdir -m 700 "$work/run" "$work/unit"
sed "s|^ExecStart=|ExecStart=$root|" "$unit" >"$work/unit/qlocollector.service"
verdict=$(XDG_RUNTIME_DIR=$work/run systemd-analyze verify --user "$work/unit/qlocollector.service" 2>&1) &&
  [ -z "$verdict" ] || fail "systemd-analyze: $verdict"

# A new user's first desktop session.
export HOME=$work/home XDG_RUNTIME_DIR=$work/run DBUS_SYSTEM_BUS_ADDRESS=unix:path=$work/no-bus
unset XDG_CONFIG_HOME XDG_DATA_HOME XDG_CACHE_HOME QLO_REGISTRY_FILE XDG_SESSION_ID
mkdir -p "$HOME"
data=$HOME/.local/share/Orvanta
start_session() {
  "$root$session" >"$work/session.out" 2>&1 &
  collector=$!
}
end_session() {
  wait_for 60 "$root/usr/bin/qloctl" close >/dev/null 2>&1 || fail "qloctl close failed"
  wait_for 30 gone "$collector" || fail "the collector still runs"
  wait "$collector" || fail "the collector ended with status $?: $(cat "$work/session.out")"
  collector=
}
start_session
wait_for_activity "$data"
settings=$HOME/.config/Belvane/Orvanta/registry.reg
grep -qxF "\"Path\"=\"$root/usr/bin\"" "$settings" || fail "the settings do not name the programs' folder"
grep -qxF '"First Start"=dword:00000001' "$settings" || fail "the settings do not ask for the first start"
firefox=$HOME/.mozilla/native-messaging-hosts/com.belvane.orvanta.qlo_browser_host.json
host_line="\"path\": \"$root/usr/bin/qlo-browser-host\""
grep -qF "$host_line" "$firefox" || fail "the browser host is not registered"
end_session
[ "$(stored_rows "$data" 1)" -ge 1 ] || fail "the activity in progress was not saved"

# A later session registers the host again when the registered one is gone
# (left by an earlier installation or a removed checkout).
sed -i "s|\"path\": \".*\"|\"path\": \"$work/gone/qlo-browser-host\"|" "$firefox"
start_session
# It continues the last activity: no new one to wait for.
started_twice() { [ "$(grep -c "Start process" "$data/Logs/QLOCollector.log")" -eq 2 ]; }
wait_for 180 started_twice || fail "the collector did not start again"
grep -qF "$host_line" "$firefox" || fail "the gone browser host was not registered again"
end_session

# The menu's report: written, then handed to the desktop's browser.
mkdir "$work/bin"
printf '#!/bin/sh\ncp "$1" "%s"\n' "$work/opened.html" >"$work/bin/xdg-open"
chmod +x "$work/bin/xdg-open"
PATH=$work/bin:$PATH "$root/usr/libexec/qlocollector/activity-report" || fail "the report entry failed"
grep -q '<html' "$work/opened.html" || fail "the report was not opened"

dpkg --root="$root" --force-depends -P qlocollector >/dev/null 2>&1 || fail "dpkg could not remove the package"
left=$(cd "$root" && find . -path ./var/lib/dpkg -prune -o ! -type d -print)
[ -z "$left" ] || fail "the package left $left"
[ -d "$data/DB" ] || fail "the user's data went with the package"
echo "debian package: passed"
