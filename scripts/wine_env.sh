# Sourced by the scripts that run Windows programs under Wine: the project's
# own 32-bit Wine prefix, quiet, without the Mono and Gecko installers.
repo=${repo:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEPREFIX="$repo/build/wineprefix"
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
