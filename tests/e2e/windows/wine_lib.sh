# Shared by the checks of the Windows build under wine: a wine prefix of the check's own,
# started before anything runs in it, and ended with the check.
# shellcheck shell=bash
wine=/usr/lib/wine/wine64
wineserver=/usr/lib/wine/wineserver64

fail() { echo "FAIL: $*"; exit 1; }

# Sets $WINEPREFIX and $scratch; runs wine's services, in the network namespace given, if any.
start_wine() { # [namespace]
  scratch=$(mktemp -d)
  export WINEPREFIX=$scratch/prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  mkdir -p "$WINEPREFIX"
  in_ns=()
  [ -n "${1:-}" ] && in_ns=(ip netns exec "$1")
  "${in_ns[@]}" "$wineserver" -p >/dev/null 2>&1 </dev/null &
  sleep 1
  "${in_ns[@]}" "$wine" wineboot -u >/dev/null 2>&1 </dev/null
}

stop_wine() {
  "${in_ns[@]}" "$wineserver" -k 2>/dev/null || true
  rm -rf "$scratch"
}

# The strip's X window, once it shows.
strip_window() {
  local id
  for _ in $(seq 100); do
    id=$(xdotool search --onlyvisible --class tarvo 2>/dev/null | head -1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.3
  done
  return 1
}
