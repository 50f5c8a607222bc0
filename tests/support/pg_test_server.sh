#!/bin/sh
# A PostgreSQL server for the tests: Debian's PostgreSQL 15 binaries, a
# cluster made with initdb in <folder>/data, listening on 127.0.0.1 on a free
# port and on a socket in <folder>/socket, with TLS (a fresh self-signed
# certificate for the host name "localhost").
#
#   pg_test_server.sh start <folder> [setting=value...]
#       writes <folder>/port and <folder>/ca.pem (the certificate, trusted
#       as its own authority); the role "qlo" (a superuser) connects from
#       127.0.0.1 without a password, every other role with its password
#   pg_test_server.sh restart <folder>   stops it (fast) and starts it again on its port
#   pg_test_server.sh stop <folder>      stops it
#
# The server runs outside the test processes, so the Windows tests under Wine
# reach it on 127.0.0.1 as the Linux tests do. PostgreSQL refuses to run as
# root: then it runs as the unprivileged user 65534.
set -eu
action=$1
folder=$(cd "$2" 2>/dev/null && pwd || { mkdir -p "$2" && cd "$2" && pwd; })
shift 2
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
[ -x "$bin/postgres" ] || { echo "no PostgreSQL server binaries in /usr/lib/postgresql" >&2; exit 1; }

as_server() {
  if [ "$(id -u)" -eq 0 ]; then setpriv --reuid=65534 --regid=65534 --clear-groups "$@"; else "$@"; fi
}
owned() {
  if [ "$(id -u)" -eq 0 ]; then chown 65534:65534 "$@"; fi
}
ctl() { as_server "$bin/pg_ctl" -D "$folder/data" -l "$folder/data/server.log" "$@" >/dev/null; }

# start [port]: on that port, else on a random free one.
start() {
  tries=0
  while :; do
    port=${1:-$(( 20000 + $(od -An -N2 -tu2 /dev/urandom) % 40000 ))}
    if ctl -w -t 60 -o "-p $port" start; then break; fi
    tries=$((tries + 1))
    if [ $tries -ge 20 ]; then echo "the test server did not start" >&2; tail -n 5 "$folder/data/server.log" >&2; exit 1; fi
  done
  echo "$port" >"$folder/port"
}

case "$action" in
  start)
    [ -f "$folder/data/postmaster.pid" ] && ctl -m immediate stop 2>/dev/null || true
    rm -rf "$folder/data" "$folder/socket" "$folder/port"
    mkdir -p "$folder/data" "$folder/socket"
    owned "$folder/data" "$folder/socket"
    as_server "$bin/initdb" -D "$folder/data" -U qlo -E UTF8 --locale=C --no-sync --auth-local=trust \
      --auth-host=scram-sha-256 >/dev/null
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost -addext subjectAltName=DNS:localhost \
      -keyout "$folder/data/server.key" -out "$folder/ca.pem" 2>/dev/null
    cp "$folder/ca.pem" "$folder/data/server.crt"
    owned "$folder/data/server.key" "$folder/data/server.crt"
    chmod 600 "$folder/data/server.key"
    # The role qlo needs no password from 127.0.0.1 (the first line wins).
    { echo "host all qlo 127.0.0.1/32 trust"; cat "$folder/data/pg_hba.conf"; } >"$folder/data/pg_hba.new"
    mv "$folder/data/pg_hba.new" "$folder/data/pg_hba.conf"
    owned "$folder/data/pg_hba.conf"
    {
      echo "listen_addresses = '127.0.0.1'"
      echo "unix_socket_directories = '$folder/socket'"
      echo "ssl = on"
      echo "fsync = off"
      echo "full_page_writes = off"
      echo "synchronous_commit = off"
      for setting in "$@"; do echo "$setting"; done
    } >>"$folder/data/postgresql.conf"
    start
    ;;
  restart)
    # Back on the same port, as a server restarted by its administrator.
    ctl -m fast -w stop
    start "$(cat "$folder/port")"
    ;;
  stop)
    if [ -f "$folder/data/postmaster.pid" ]; then ctl -m fast -w stop; fi
    ;;
  *) echo "usage: $0 start|restart|stop <folder> [setting=value...]" >&2; exit 2 ;;
esac
