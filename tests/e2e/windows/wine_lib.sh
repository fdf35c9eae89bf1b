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
  wine_server_up
  "${in_ns[@]}" "$wine" wineboot -u >/dev/null 2>&1 </dev/null
}

# Waits until the wine server of $WINEPREFIX listens, at most 20 s: else the next wine
# command starts a server of its own, which ends when that command does. The socket's folder
# is named after the prefix's device and inode.
wine_server_up() {
  local dev inode dir s _
  read -r dev inode < <(stat -c '%d %i' "$WINEPREFIX")
  dir=$(printf 'server-%x-%x' "$dev" "$inode")
  for _ in $(seq 200); do
    for s in /tmp/wine-*/"$dir"/socket "/tmp/.wine-$(id -u)/$dir/socket"; do
      [ -S "$s" ] && return 0
    done
    sleep 0.1
  done
  fail "no wine server for $WINEPREFIX within 20 s"
}

# Ends every program in the prefix and starts its server afresh, once the old one is gone: a
# program that comes to an ending server ends with it.
restart_wine() {
  "${in_ns[@]}" "$wineserver" -k 2>/dev/null || true
  "${in_ns[@]}" "$wineserver" -w 2>/dev/null || true
  "${in_ns[@]}" "$wineserver" -p >/dev/null 2>&1 </dev/null &
  wine_server_up
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
