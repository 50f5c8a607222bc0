#!/bin/sh
# A connection pooler for the tests: Debian's PgBouncer in transaction
# pooling mode in front of a test server of pg_test_server.sh, with at most
# 4 server connections per database (or [pool size]), so that clients take
# turns on them and two transactions of one client rarely meet the same
# server session.
#
#   pgbouncer_test_server.sh start <folder> <server folder> [pool size]
#       listens on 127.0.0.1 on a free port, written to <folder>/port;
#       clients log in with SCRAM as "qlo" with the password of
#       <folder>/pgpass (a libpq password file: give passfile=<folder>/pgpass);
#       the pooler itself logs in to the server as "qlo" from 127.0.0.1
#   pgbouncer_test_server.sh stop <folder>
#
# <folder>/pgbouncer.ini is the configuration the README shows. PgBouncer
# refuses to run as root: then it runs as the unprivileged user 65534.
set -eu
action=$1
folder=$(cd "$2" 2>/dev/null && pwd || { mkdir -p "$2" && cd "$2" && pwd; })
pgbouncer=/usr/sbin/pgbouncer

as_pooler() {
  if [ "$(id -u)" -eq 0 ]; then setpriv --reuid=65534 --regid=65534 --clear-groups "$@"; else "$@"; fi
}

stop() {
  [ -f "$folder/pgbouncer.pid" ] || return 0
  pid=$(cat "$folder/pgbouncer.pid")
  kill "$pid" 2>/dev/null || true
  # Waits for it to go, at most a minute; then it is killed.
  tries=0
  while kill -0 "$pid" 2>/dev/null; do
    tries=$((tries + 1))
    if [ $tries -gt 1200 ]; then kill -9 "$pid" 2>/dev/null || true; fi
    sleep 0.05
  done
  rm -f "$folder/pgbouncer.pid"
}

case "$action" in
  start)
    [ -x "$pgbouncer" ] || { echo "no $pgbouncer: install the package pgbouncer" >&2; exit 1; }
    server_port=$(cat "$3/port")
    stop
    password=$(od -An -N16 -tx1 /dev/urandom | tr -d ' \n')
    echo "\"qlo\" \"$password\"" >"$folder/userlist.txt"
    tries=0
    while :; do
      port=$(( 20000 + $(od -An -N2 -tu2 /dev/urandom) % 40000 ))
      cat >"$folder/pgbouncer.ini" <<EOF
[databases]
* = host=127.0.0.1 port=$server_port

[pgbouncer]
listen_addr = 127.0.0.1
listen_port = $port
unix_socket_dir =
auth_type = scram-sha-256
auth_file = $folder/userlist.txt
pool_mode = transaction
default_pool_size = ${4:-4}
max_client_conn = 5000
server_reset_query =
logfile = $folder/pgbouncer.log
pidfile = $folder/pgbouncer.pid
EOF
      if [ "$(id -u)" -eq 0 ]; then chown -R 65534:65534 "$folder"; fi
      chmod 600 "$folder/userlist.txt"
      # -d returns once it listens (or failed to).
      if as_pooler "$pgbouncer" -d -q "$folder/pgbouncer.ini" 2>/dev/null; then break; fi
      tries=$((tries + 1))
      if [ $tries -ge 20 ]; then echo "the test pooler did not start" >&2; tail -n 5 "$folder/pgbouncer.log" >&2; exit 1; fi
    done
    echo "127.0.0.1:$port:*:qlo:$password" >"$folder/pgpass"
    chmod 600 "$folder/pgpass"
    echo "$port" >"$folder/port"
    ;;
  stop) stop ;;
  *) echo "usage: $0 start <folder> <server folder> [pool size] | stop <folder>" >&2; exit 2 ;;
esac
