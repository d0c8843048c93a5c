# Shared pieces of the scripts; sourced, not run.

# Sets DISPLAY: the caller's display when there is one (and KESTRANE_XVFB is not 1),
# otherwise a new Xvfb on a free display number, stopped when the script exits.
kestrane_display() {
  if [ -n "${DISPLAY:-}" ] && [ "${KESTRANE_XVFB:-0}" != 1 ]; then
    KESTRANE_OWN_XVFB=0
    return 0
  fi
  local n=90
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 "${KESTRANE_SCREEN:-1024x768}x24" -nolisten tcp >/dev/null 2>&1 &
  KESTRANE_XVFB_PID=$!
  export DISPLAY=":$n"
  KESTRANE_OWN_XVFB=1
  local i
  for i in $(seq 1 50); do
    [ -e "/tmp/.X11-unix/X$n" ] && return 0
    sleep 0.1
  done
  echo "Xvfb did not start on :$n" >&2
  return 1
}

# The project's Wine environment, with a wineserver kept alive so each start is quick.
kestrane_wine_env() {
  export WINEPREFIX="$KESTRANE_TOP/build/wineprefix" WINEDEBUG="${WINEDEBUG:--all}"
  export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
  unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY
  "$KESTRANE_TOP/scripts/wine-prefix" ensure
  # A server left by an interrupted run may hold services bound to a display that is gone.
  wineserver -k </dev/null >/dev/null 2>&1 || true
  if wineserver -p 300 </dev/null >/dev/null 2>&1; then
    setsid /usr/lib/wine/wine64 cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
  fi
}

kestrane_cleanup() {
  [ "${KESTRANE_OWN_XVFB:-0}" = 1 ] && kill "$KESTRANE_XVFB_PID" 2>/dev/null
  WINEPREFIX="$KESTRANE_TOP/build/wineprefix" wineserver -k </dev/null >/dev/null 2>&1 || true
}
