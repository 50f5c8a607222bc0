#!/bin/sh
# An HTTPS server for the tests: openssl s_server on 127.0.0.1 with a fresh
# self-signed certificate for the host name "localhost", answering a GET of
# /rest/auth/1/session with status 200 and the JSON of <folder>/session.json.
#
#   tls_test_server.sh start <folder>   writes <folder>/ca.pem (the certificate,
#                                        trusted as its own authority), <folder>/port
#                                        and <folder>/session.json
#   tls_test_server.sh stop <folder>    ends the server started there
#
# The server runs outside the test processes, so the Windows tests under Wine
# reach it on 127.0.0.1 exactly as the Linux tests do.
set -eu
action=$1
folder=$2

stop() {
  if [ -f "$folder/pid" ]; then
    kill "$(cat "$folder/pid")" 2>/dev/null || true
    rm -f "$folder/pid"
  fi
}

case "$action" in
  stop) stop ;;
  start)
    stop
    mkdir -p "$folder/www/rest/auth/1"
    rm -f "$folder/port" "$folder/server.log"
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost \
      -addext subjectAltName=DNS:localhost -keyout "$folder/key.pem" -out "$folder/ca.pem" 2>/dev/null
    body='{"self":"https://localhost/rest/api/2/user?username=qlo","name":"qlo"}'
    printf '%s' "$body" >"$folder/session.json"
    # Served as a whole response with its length, so that a client knows the
    # end of the answer without waiting for the connection to close.
    printf 'HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: %d\r\nConnection: close\r\n\r\n%s' \
      "${#body}" "$body" >"$folder/www/rest/auth/1/session"
    cd "$folder/www"
    # Detached from the caller's output, so that ctest does not wait for it.
    openssl s_server -accept 127.0.0.1:0 -cert ../ca.pem -key ../key.pem -HTTP \
      </dev/null >../server.log 2>&1 &
    echo $! >"$folder/pid"
    tries=0
    while ! grep -q '^ACCEPT' ../server.log 2>/dev/null; do
      tries=$((tries + 1))
      if [ $tries -gt 100 ]; then echo "openssl s_server did not start" >&2; stop; exit 1; fi
      sleep 0.1
    done
    sed -n 's/^ACCEPT 127\.0\.0\.1:\([0-9]*\).*/\1/p' ../server.log >"$folder/port"
    ;;
  *) echo "usage: $0 start|stop <folder>" >&2; exit 2 ;;
esac
