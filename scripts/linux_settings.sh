#!/usr/bin/env bash
# The Linux collector's settings file (the registry it reads) as an installer
# would leave it, for ./run.sh and the Debian package's session start:
#
#   scripts/linux_settings.sh SETTINGS_FILE INSTALL_FOLDER
#
# A missing file is written with the install folder ("Path"), first start
# (seed the default catalogue of projects, tasks and rules) and log level 1.
# An existing file is left as it is, except its "Path" when that is absent or
# names a folder that no longer exists (a removed or moved checkout): it then
# names INSTALL_FOLDER, in place of the old value where there was one. A file
# in UTF-16 (as the Registry Editor of Windows exports) is only checked.
# The file is its user's alone when it is written here, and a file that
# holds a password (the JIRA or the team store's) is made so when other
# users could read it.
# Prints one line for each thing it did; exit 1 when the file is left wrong.
set -euo pipefail
[ $# -eq 2 ] || { sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'; exit 2; }
settings=$1
install=$2
umask 077
key='HKEY_LOCAL_MACHINE\SOFTWARE\Belvane\Orvanta'
# A .reg string escapes backslashes and double quotes.
path_line="\"Path\"=\"$(printf '%s' "$install" | sed 's/[\\"]/\\&/g')\""

if [ ! -e "$settings" ]; then
  mkdir -p "$(dirname "$settings")"
  printf 'Windows Registry Editor Version 5.00\n\n[%s]\n%s\n"First Start"=dword:00000001\n"QLOCollector Log Level"=dword:00000001\n' \
    "$key" "$path_line" >"$settings"
  echo "settings written to $settings"
  exit 0
fi

# A value named "... Password" in any key, in UTF-8 or UTF-16 text (its
# zero bytes dropped).
if tr -d '\000' <"$settings" | grep -aqi '^[[:space:]]*"[^"]*password"[[:space:]]*=' &&
  [ -n "$(find "$settings" -maxdepth 0 -perm /077)" ]; then
  chmod go= "$settings"
  echo "settings: $settings holds a password and was readable by other users; it is now its owner's alone"
fi

# The value of "Path" in the main key as the collector reads it: the last
# one given, unescaped; "" when there is none.
configured=$(awk '
  { sub(/\r$/, ""); line = $0; gsub(/^[ \t]+|[ \t]+$/, "", line) }
  substr(line, 1, 1) == "[" { main = (tolower(line) == "[hkey_local_machine\\software\\belvane\\orvanta]"); next }
  main && tolower(line) ~ /^"path"[ \t]*=/ {
    value = line
    sub(/^"[^"]*"[ \t]*=[ \t]*/, "", value)
    path = ""
    for (i = 2; i < length(value); i++) {
      c = substr(value, i, 1)
      if (c == "\\") c = substr(value, ++i, 1)
      path = path c
    }
  }
  END { print path }' "$settings")
[ -n "$configured" ] && [ -d "$configured" ] && exit 0

if [ "$(head -c 2 "$settings" | od -An -tx1 | tr -d ' \n')" = "fffe" ]; then
  echo "$settings is UTF-16 text: set \"Path\" in [$key] to $install by hand" >&2
  exit 1
fi
# Every "Path" of the main key gives way to the new one; without any, the
# key gets one (a key named twice collects the values of both sections).
PATH_LINE=$path_line KEY=$key awk '
  { cr = sub(/\r$/, ""); line = $0; gsub(/^[ \t]+|[ \t]+$/, "", line) }
  substr(line, 1, 1) == "[" { main = (tolower(line) == tolower("[" ENVIRON["KEY"] "]")) }
  main && tolower(line) ~ /^"path"[ \t]*=/ { $0 = ENVIRON["PATH_LINE"]; done = 1 }
  { printf "%s%s\n", $0, cr ? "\r" : "" }
  END { if (!done) printf "\n[%s]\n%s\n", ENVIRON["KEY"], ENVIRON["PATH_LINE"] }' "$settings" >"$settings.new"
mv "$settings.new" "$settings"
echo "settings: \"Path\" in $settings named ${configured:-nothing}${configured:+, which does not exist}; it now names $install"
