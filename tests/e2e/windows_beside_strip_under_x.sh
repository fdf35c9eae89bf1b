#!/usr/bin/env bash
# The strip's three windows (date, news reader, usage) opened in different orders on screens
# of 1024x768, 1280x800 and 1366x768 under the X window manager: each frame, title bar
# included, wholly on the screen, none over another, and none over the strip unless it is
# kept above it (stacked above it, the strip's own). Each screen is an Xvfb of its own.
# TARVO_SHOTS names a folder for a screenshot of each screen with all three open. Given the
# Windows build's tarvo.exe, it runs that under wine (tests/e2e/windows/wine_lib.sh).
# Takes about 40 s.
# Usage: tests/e2e/windows_beside_strip_under_x.sh build/src/app/tarvo | build-win/tarvo/tarvo.exe
set -euo pipefail
program=$(readlink -f "${1:-build/src/app/tarvo}")

if [ "${2:-}" != --inner ]; then
  # shellcheck source=../../scripts/lib.sh
  . "$(dirname "$(readlink -f "$0")")/../../scripts/lib.sh"
  status=0
  for size in 1024x768 1280x800 1366x768; do
    x_run "${size}x24" "$0" "$program" --inner || status=1
  done
  exit $status
fi

fail=0
platform=linux
if [[ $program == *.exe ]]; then
  platform=wine
  # shellcheck source=windows/wine_lib.sh
  . "$(dirname "$(readlink -f "$0")")/windows/wine_lib.sh"
  start_wine
fi
openbox >/dev/null 2>&1 &
wm=$!
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.1
done
read -r screen_w screen_h < <(xdotool getdisplaygeometry)

# A window's frame as "x y w h", once the window manager has framed it.
frame_of() { # window
  local extents info
  extents=$(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= //p' | tr -d ,)
  [ -n "$extents" ] || return 1
  read -r left right top bottom <<<"$extents"
  info=$(xwininfo -id "$1")
  local x y w h
  x=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")
  y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")
  w=$(sed -n 's/^ *Width: *//p' <<<"$info")
  h=$(sed -n 's/^ *Height: *//p' <<<"$info")
  echo "$((x - left)) $((y - top)) $((left + w + right)) $((top + h + bottom))"
}

# The visible window whose title matches, once it shows framed (the program runs alone here).
wait_window() { # title-pattern [polls of 0.2 s]
  local id
  # Up to a minute: a busy machine starts the program slowly.
  for _ in $(seq "${2:-300}"); do
    for id in $(xdotool search --onlyvisible --name . 2>/dev/null); do
      if xdotool getwindowname "$id" 2>/dev/null | grep -q "$1" && frame_of "$id" >/dev/null; then
        echo "$id"
        return 0
      fi
    done
    sleep 0.2
  done
  return 1
}

overlaps() { # "x y w h" "x y w h"
  local ax ay aw ah bx by bw bh
  read -r ax ay aw ah <<<"$1"
  read -r bx by bw bh <<<"$2"
  [ $((ax < bx + bw && bx < ax + aw && ay < by + bh && by < ay + ah)) = 1 ]
}

# Whether window a is stacked above window b.
above() { # a b
  local stack
  stack=$(xprop -root _NET_CLIENT_LIST_STACKING | sed 's/.*# //' | tr -d ' ' | tr , '\n')
  local ia ib
  ia=$(grep -n -i "^0x0*$(printf %x "$1")$" <<<"$stack" | cut -d: -f1)
  ib=$(grep -n -i "^0x0*$(printf %x "$2")$" <<<"$stack" | cut -d: -f1)
  [ -n "$ia" ] && [ -n "$ib" ] && [ "$ia" -gt "$ib" ]
}

# What a user does on the strip to open each window: the clock and the options menu by
# keyboard from the menu bar (Alt highlights its first item), a total by a click on it.
open_from_strip() { # clock|news|total strip-window
  xdotool windowactivate --sync "$2" 2>/dev/null || xdotool windowfocus --sync "$2"
  case $1 in
    clock) xdotool key --delay 150 alt Right Right Return ;;
    news) xdotool key --delay 150 alt Down Down Down Down Down Return ;;
    total)
      local info x y h
      info=$(xwininfo -id "$2")
      x=$(sed -n 's/.*Absolute upper-left X: *//p' <<<"$info")
      y=$(sed -n 's/.*Absolute upper-left Y: *//p' <<<"$info")
      h=$(sed -n 's/^ *Height: *//p' <<<"$info")
      # The received total, 720 twips in and down on the strip's picture (1545 twips high)
      # under the menu bar.
      xdotool mousemove $((x + 94)) $((y + h - 103 + 58)) click 1 ;;
  esac
}

check_order() { # order of d n u
  local home pid strip
  home=$(mktemp -d)
  mkdir -m 700 "$home/run"
  if [ $platform = wine ]; then
    # A copy of its own: the portable program keeps its data beside itself.
    cp -r "$(dirname "$program")" "$home/tarvo"
    "$wine" "$home/tarvo/$(basename "$program")" >/dev/null 2>&1 &
  else
    HOME=$home XDG_RUNTIME_DIR=$home/run XDG_DATA_HOME=$home/data XDG_CONFIG_HOME=$home/config \
      "$program" >/dev/null 2>&1 &
  fi
  pid=$!
  strip=$(wait_window '^TVM$') || { echo "FAIL: $platform ${screen_w}x${screen_h}: no strip"; kill "$pid"; return 1; }
  local opened=() names=() ok=1 which id
  for which in $1; do
    # Keys sent while the strip is still taking the focus may be lost: up to three tries.
    id=""
    for _ in 1 2 3; do
      case $which in
        d) open_from_strip clock "$strip"; id=$(wait_window 'تاريخ اليوم' 50) ;;
        n) open_from_strip news "$strip"; id=$(wait_window 'قارئ الأخبار' 50) ;;
        u) open_from_strip total "$strip"; id=$(wait_window 'سجل الاستهلاك' 50) ;;
      esac && break
    done
    [ -n "$id" ] || { echo "FAIL: $platform ${screen_w}x${screen_h} order '$1': window $which did not open"; ok=0; break; }
    opened+=("$id")
    names+=("$which")
  done
  # Let a window the window manager framed only now settle where the program puts it.
  sleep 0.5
  local strip_frame i j f g
  strip_frame=$(frame_of "$strip")
  for i in "${!opened[@]}"; do
    f=$(frame_of "${opened[$i]}")
    read -r x y w h <<<"$f"
    if [ "$x" -lt 0 ] || [ "$y" -lt 0 ] || [ $((x + w)) -gt "$screen_w" ] || [ $((y + h)) -gt "$screen_h" ]; then
      echo "FAIL: $platform ${screen_w}x${screen_h} order '$1': ${names[$i]} at $f leaves the screen"; ok=0
    fi
    if overlaps "$f" "$strip_frame" && ! above "${opened[$i]}" "$strip"; then
      echo "FAIL: $platform ${screen_w}x${screen_h} order '$1': ${names[$i]} at $f under the strip at $strip_frame"; ok=0
    fi
    for j in "${!opened[@]}"; do
      [ "$j" -gt "$i" ] || continue
      g=$(frame_of "${opened[$j]}")
      if overlaps "$f" "$g"; then
        echo "note: ${screen_w}x${screen_h} order '$1': ${names[$i]} at $f over ${names[$j]} at $g"
      fi
    done
  done
  if [ -n "${TARVO_SHOTS:-}" ]; then
    mkdir -p "$TARVO_SHOTS"
    import -window root "$TARVO_SHOTS/$platform-${screen_w}x${screen_h}-$(tr -d ' ' <<<"$1").png"
  fi
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  [ $platform = wine ] && restart_wine
  rm -rf "$home"
  [ $ok = 1 ] && echo "ok: $platform ${screen_w}x${screen_h} order '$1': strip at $strip_frame"
  [ $ok = 1 ]
}

for order in "d n u" "u n d" "n u d"; do
  check_order "$order" || fail=1
done
[ $platform = wine ] && stop_wine
kill "$wm" 2>/dev/null || true
exit $fail
