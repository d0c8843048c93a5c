#!/usr/bin/env bash
# Starts or stops the reference service for the network tests, on a free loopback port.
#   service_fixture.sh start STATE_DIR   pictures, database and the port file under STATE_DIR
#   service_fixture.sh stop STATE_DIR
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
action=$1 state=$2
case "$action" in
  start)
    for pidfile in "$state/pid" "$state/proxy-pid" "$state/tls-pid"; do
      [ -f "$pidfile" ] && kill "$(cat "$pidfile")" 2>/dev/null || true
    done
    rm -rf "$state"
    mkdir -p "$state/pictures/fengguang" "$state/pictures/qiche" "$state/pictures/xiezhen"
    # A known byte pattern the tests can recompute: byte i is (i * 7 + i / 256) mod 256.
    python3 - "$state/pictures/fengguang/pattern.jpg" <<'PY'
import sys
data = bytes((i * 7 + i // 256) % 256 for i in range(1 << 20))
open(sys.argv[1], "wb").write(data)
PY
    printf 'small picture' > "$state/pictures/qiche/small.jpg"
    convert -size 64x48 xc:'#3366cc' "$state/pictures/fengguang/blue.jpg"
    mkdir -p "$state/pictures/dongwu"
    convert -size 2048x1536 gradient:'#d04020-#2040d0' "$state/pictures/dongwu/sunset.jpg"
    # Two plants for the end-to-end Next: both load, and they look different.
    mkdir -p "$state/pictures/zhiwu"
    convert -size 1024x768 gradient:'#10a030-#e0f060' "$state/pictures/zhiwu/fern.jpg"
    convert -size 800x600 xc:'#c08040' "$state/pictures/zhiwu/bark.jpg"
    # Members only: a picture the sign-in end-to-end test shows and keeps as a favourite.
    convert -size 640x480 xc:'#804060' "$state/pictures/xiezhen/private.jpg"
    setsid python3 "$top/service/tovarin_service.py" --pictures "$state/pictures" --db "$state/service.db" \
      --port 0 --ready-file "$state/port" --quiet --user tester:secret </dev/null >"$state/service.log" 2>&1 &
    echo $! > "$state/pid"
    # An HTTP proxy on loopback for the proxy tests.
    if command -v tinyproxy >/dev/null; then
      proxy_port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
      cat > "$state/tinyproxy.conf" <<CONF
Port $proxy_port
Listen 127.0.0.1
Allow 127.0.0.1
Timeout 30
MaxClients 10
LogFile "$state/tinyproxy.log"
CONF
      setsid tinyproxy -d -c "$state/tinyproxy.conf" </dev/null >/dev/null 2>&1 &
      echo $! > "$state/proxy-pid"
      echo "$proxy_port" > "$state/proxy-port"
    fi
    # An HTTPS server with a self-signed certificate made now, for the certificate tests. The
    # name matches the address, so the issuer is the only thing wrong with it.
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 \
      -keyout "$state/tls-key.pem" -out "$state/tls-cert.pem" >/dev/null 2>&1
    setsid python3 "$top/tests/net/tls_server.py" --cert "$state/tls-cert.pem" --key "$state/tls-key.pem" \
      --ready-file "$state/tls-port" --log "$state/tls-requests.log" </dev/null >"$state/tls.log" 2>&1 &
    echo $! > "$state/tls-pid"
    for _ in $(seq 1 100); do
      [ -s "$state/port" ] && [ -s "$state/tls-port" ] && exit 0
      sleep 0.1
    done
    echo "the reference service or the TLS server did not start:" >&2
    cat "$state/service.log" "$state/tls.log" >&2
    exit 1
    ;;
  stop)
    for pidfile in "$state/pid" "$state/proxy-pid" "$state/tls-pid"; do
      [ -f "$pidfile" ] && kill "$(cat "$pidfile")" 2>/dev/null || true
      rm -f "$pidfile"
    done
    ;;
  *) echo "usage: service_fixture.sh start|stop STATE_DIR" >&2; exit 2 ;;
esac
