#!/usr/bin/env bash
# Installs the collector's GNOME Shell extension (gnome-shell/ in the source
# tree) into the user's extensions folder and enables it; on GNOME Shell 43
# and 44 it writes the extension's older, non-module form. Does nothing
# outside a GNOME session. A running Wayland session finds a newly installed
# extension only after the user logs in again.
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
uuid=qlocollector-focus@orvanta.belvane

case ":${XDG_CURRENT_DESKTOP:-}:" in *:GNOME:*) ;; *) exit 0 ;; esac
command -v gnome-shell >/dev/null || exit 0

target="${XDG_DATA_HOME:-$HOME/.local/share}/gnome-shell/extensions/$uuid"
mkdir -p "$target"
cp "$repo/gnome-shell/$uuid/metadata.json" "$target/"
major=$(gnome-shell --version | sed -E 's/[^0-9]*([0-9]+).*/\1/')
if [ "$major" -lt 45 ]; then
  # Each marked line becomes what its "legacy:" comment says, and the
  # extension gets the init() that older shells call.
  sed -E -e 's|^.*// legacy: \(none\)$||' -e 's|^.*// legacy: (.*)$|\1|' \
    "$repo/gnome-shell/$uuid/extension.js" >"$target/extension.js"
  printf '\nfunction init() {\n    return new FocusExtension();\n}\n' >>"$target/extension.js"
else
  cp "$repo/gnome-shell/$uuid/extension.js" "$target/"
fi

if ! gnome-extensions enable "$uuid" 2>/dev/null; then
  # The shell does not know the extension yet: enabled from the next login.
  enabled=$(gsettings get org.gnome.shell enabled-extensions)
  case "$enabled" in
    *"'$uuid'"*) ;;
    "@as []") gsettings set org.gnome.shell enabled-extensions "['$uuid']" ;;
    *) gsettings set org.gnome.shell enabled-extensions "${enabled%]}, '$uuid']" ;;
  esac
  echo "GNOME Shell extension $uuid installed: log out and in again to let the collector see windows"
fi
