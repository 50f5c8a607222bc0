#!/usr/bin/env bash
# Builds the Linux collector and runs it in the foreground on this desktop
# until Ctrl-C (or `qloctl close`), which stops it in order: the activity in
# progress is saved first.
#
# Set-up of the Linux packages (scripts/setup.sh --linux-only), the
# linux-release build, and, when none exists, the settings file an installer
# would write: the install folder (the folder of the programs), first start
# (seed the default catalogue of projects, tasks and rules) and log level 1;
# an existing one whose install folder is gone (a removed or moved checkout)
# is pointed at this one (scripts/linux_settings.sh).
# Records go to ${XDG_DATA_HOME:-$HOME/.local/share}/Orvanta.
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
cd "$repo"

"$repo/scripts/setup.sh" --linux-only
cmake --preset linux-release >/dev/null
cmake --build --preset linux-release --target qlocollector qloctl qlo-browser-host browser_extension

bin="$repo/build/linux-release/bin"
registry=${QLO_REGISTRY_FILE:-${XDG_CONFIG_HOME:-$HOME/.config}/Belvane/Orvanta/registry.reg}
# A file it cannot repair is reported by the collector too.
"$repo/scripts/linux_settings.sh" "$registry" "$bin" || true
# Lets the browsers start the host of the browser extension (load the extension by hand: see README.md).
"$bin/qloctl" install-browser-host || echo "the browser host is not installed: no addresses from browsers" >&2

"$repo/scripts/install-gnome-extension.sh" || echo "the GNOME Shell extension could not be installed" >&2
echo "collector running; data and logs in ${XDG_DATA_HOME:-$HOME/.local/share}/Orvanta; Ctrl-C stops it"
exec "$bin/qlocollector"
