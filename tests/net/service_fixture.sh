#!/usr/bin/env bash
# Starts or stops the reference service for the network tests, on a free loopback port.
#   service_fixture.sh start STATE_DIR   pictures, database and the port file under STATE_DIR
#   service_fixture.sh stop STATE_DIR
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
action=$1 state=$2
case "$action" in
  start)
    [ -f "$state/pid" ] && kill "$(cat "$state/pid")" 2>/dev/null || true
    rm -rf "$state"
    mkdir -p "$state/pictures/fengguang" "$state/pictures/qiche" "$state/pictures/xiezhen"
    # A known byte pattern the tests can recompute: byte i is (i * 7 + i / 256) mod 256.
    python3 - "$state/pictures/fengguang/pattern.jpg" <<'PY'
import sys
data = bytes((i * 7 + i // 256) % 256 for i in range(1 << 20))
open(sys.argv[1], "wb").write(data)
PY
    printf 'small picture' > "$state/pictures/qiche/small.jpg"
    printf 'members only' > "$state/pictures/xiezhen/private.jpg"
    setsid python3 "$top/service/tovarin_service.py" --pictures "$state/pictures" --db "$state/service.db" \
      --port 0 --ready-file "$state/port" --quiet --user tester:secret </dev/null >"$state/service.log" 2>&1 &
    echo $! > "$state/pid"
    for _ in $(seq 1 100); do
      [ -s "$state/port" ] && exit 0
      sleep 0.1
    done
    echo "the reference service did not start:" >&2
    cat "$state/service.log" >&2
    exit 1
    ;;
  stop)
    [ -f "$state/pid" ] && kill "$(cat "$state/pid")" 2>/dev/null || true
    rm -f "$state/pid"
    ;;
  *) echo "usage: service_fixture.sh start|stop STATE_DIR" >&2; exit 2 ;;
esac
