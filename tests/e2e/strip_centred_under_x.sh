#!/usr/bin/env bash
# The strip opens with its frame, title bar included, centred on the screen, under the X
# window manager, at scales 1, 1.5 and 2 (the window manager frames it only once shown).
# Takes about 5 s.
# Usage: tests/e2e/strip_centred_under_x.sh build/src/app/tarvo
set -euo pipefail
[ -n "${DISPLAY:-}" ] || { echo "FAIL: no X display"; exit 1; }
program=$(readlink -f "${1:-build/src/app/tarvo}")
[ -x "$program" ] || { echo "FAIL: no program at $program"; exit 1; }
read -r screen_w screen_h < <(xdotool getdisplaygeometry)
status=0
for scale in 1 1.5 2; do
  home=$(mktemp -d)
  mkdir -m 700 "$home/run"
  HOME=$home XDG_RUNTIME_DIR=$home/run XDG_DATA_HOME=$home/data XDG_CONFIG_HOME=$home/config \
    QT_SCALE_FACTOR=$scale "$program" >/dev/null 2>&1 &
  pid=$!
  off=""
  # Until the frame is centred, or 20 s have gone: the frame comes after the window.
  for _ in $(seq 100); do
    sleep 0.2
    window=$(xdotool search --pid "$pid" --name '^TVM$' 2>/dev/null | head -1) || continue
    extents=$(xprop -id "$window" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= //p' | tr -d ,)
    [ -n "$extents" ] || continue
    read -r left right top bottom <<<"$extents"
    # xwininfo's absolute place of the client area; xdotool's adds the frame twice.
    info=$(xwininfo -id "$window")
    X=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")
    Y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")
    WIDTH=$(sed -n 's/^ *Width: *//p' <<<"$info")
    HEIGHT=$(sed -n 's/^ *Height: *//p' <<<"$info")
    # Twice the distance of the frame's centre from the screen's, in device pixels.
    dx=$(( 2 * (X - left) + left + WIDTH + right - screen_w ))
    dy=$(( 2 * (Y - top) + top + HEIGHT + bottom - screen_h ))
    off="frame at $((X - left)),$((Y - top)) $((left + WIDTH + right))x$((top + HEIGHT + bottom))"
    # Half a pixel for odd sizes, and the scale's rounding of the frame margins.
    if [ "${dx#-}" -le 4 ] && [ "${dy#-}" -le 4 ]; then
      break
    fi
  done
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  rm -rf "$home"
  if [ "${dx#-}" -le 4 ] && [ "${dy#-}" -le 4 ] 2>/dev/null; then
    echo "ok: scale $scale, $off on ${screen_w}x${screen_h}"
  else
    echo "FAIL: scale $scale, $off on ${screen_w}x${screen_h} is not centred"
    status=1
  fi
done
exit $status
