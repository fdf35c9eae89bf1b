#!/usr/bin/env bash
# The Windows installer under wine on an X server with a window manager, as a user without
# administrator rights runs it: installed silently into the user's programs; the usage report
# as JSON; the strip shows centred at the top; start at login from the menu writes and removes
# the user's Run value, which the uninstall removes; a second start brings the minimised strip back and ends; the silent
# uninstall removes every file of the program and keeps the totals.
# Takes about 80 s.
# Usage: tests/e2e/windows/package_under_wine.sh build-win
set -euo pipefail
here=$(dirname "$0")
. "$here/../netns_lib.sh"
. "$here/wine_lib.sh"
under_x "$@"
need_packages xwd:x11-apps
build=$(readlink -f "${1:-build-win}")
setup=$(ls "$build"/tarvo-*-windows-x64-setup.exe 2>/dev/null | head -1)
[ -n "$setup" ] || fail "no installer in $build"
start_wine
trap stop_wine EXIT
programs="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/Programs/Tarvo"
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'

"$wine" "$setup" /S
[ -f "$programs/tarvo.exe" ] || fail "nothing installed in $programs"
link="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Tarvo.lnk"
[ -f "$link" ] || fail "no Start-menu entry"
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarvo'
"$wine" reg query "$uninstall_key" >/dev/null 2>&1 || fail "not listed among installed programs"
echo "ok: installed silently into $(find "$programs" -type f | wc -l) files"

"$wine" "$programs/tarvo.exe" --usage --json >"$scratch/usage.json"
python3 - "$scratch/usage.json" <<'PY' || fail "--usage --json: $(head -c 300 "$scratch/usage.json")"
import json, sys
report = json.load(open(sys.argv[1], encoding="utf-8"))
assert all(key in report for key in ("hours", "days", "months", "interfaces")), report.keys()
PY
echo "ok: --usage --json prints the report"

# The pointer away from where the strip and its menu open: hovering would show a tip or
# move the menu's highlight.
xdotool mousemove 0 0
"$wine" "$programs/tarvo.exe" >"$scratch/log" 2>&1 &
disown $!
id=$(strip_window) || fail "no strip within 30 s"
# Until the window manager has put it where it stays, at most 10 s.
screen=$(xwininfo -root | awk '/Width/{print $NF}')
for _ in $(seq 50); do
  eval "$(xwininfo -id "$id" | awk '/Absolute upper-left X/{print "x="$NF} /Width/{print "w="$NF}')"
  off=$((2 * x + w - screen))
  [ "${off#-}" -le 4 ] && break
  sleep 0.2
done
# The first save comes with the first tick, a second after the strip shows; wine on a busy
# machine can take several.
for _ in $(seq 50); do [ -f "$programs/file1.trv" ] && break; sleep 0.3; done
[ "${off#-}" -le 4 ] || fail "strip not centred: x $x width $w on $screen"
[ -f "$programs/file1.trv" ] || fail "no totals written beside the program within 15 s"
echo "ok: strip shows centred ($w px wide at $x), totals written"
if command -v import >/dev/null; then import -window root "${TARVO_SHOT:-$scratch/strip.png}"; fi

# The options menu from the keyboard: its second entry is start at login. Each key waits
# for what the one before did: the strip has the focus, the menu shows, its highlight moved.
xdotool windowactivate --sync "$id" 2>/dev/null || xdotool windowfocus "$id"
for _ in $(seq 50); do [ "$(xdotool getwindowfocus 2>/dev/null)" = "$id" ] && break; sleep 0.1; done
[ "$(xdotool getwindowfocus 2>/dev/null)" = "$id" ] || fail "the strip did not get the keyboard focus"
# Alt puts the menu bar into keyboard mode, which shows nowhere but in its pixels: when no
# menu opens, both keys go again after the mode is left.
popup=
for _ in 1 2 3; do
  xdotool key alt; xdotool key Down
  for _ in $(seq 25); do
    popup=$(xdotool search --onlyvisible --class tarvo 2>/dev/null | grep -vx "$id" | head -1 || true)
    [ -n "$popup" ] && break 2
    sleep 0.2
  done
  xdotool key Escape; xdotool key Escape
done
[ -n "$popup" ] || fail "the options menu did not open from the keyboard"
# Sets $pixels to the open menu's, once they stand still (it may still be drawing or fading in).
menu_pixels() { xwd -silent -id "$popup" | md5sum; }
still_menu() {
  local next
  pixels=$(menu_pixels)
  for _ in $(seq 25); do
    sleep 0.2
    next=$(menu_pixels)
    [ "$next" = "$pixels" ] && return 0
    pixels=$next
  done
  fail "the options menu never stood still"
}
still_menu
first=$pixels
xdotool key Down
for _ in $(seq 10); do still_menu; [ "$pixels" != "$first" ] && break; done
[ "$pixels" != "$first" ] || fail "Down did not move the menu's highlight"
xdotool key Return
for _ in $(seq 20); do
  sleep 0.5
  run_value=$("$wine" reg query "$run_key" /v tarvo 2>/dev/null | tr -d '\r' | grep -i 'tarvo\.exe' || true)
  [ -n "$run_value" ] && break
done
installed_exe=$("$wine" winepath -w "$programs/tarvo.exe" 2>/dev/null | tr -d '\r')
[[ "${run_value,,}" == *"${installed_exe,,}"* ]] ||
  fail "Run value after start at login: '$run_value', expected $installed_exe"
echo "ok: start at login writes the Run value:$run_value"

xdotool windowminimize "$id"
for _ in $(seq 20); do xprop -id "$id" WM_STATE | grep -q Iconic && break; sleep 0.3; done
xprop -id "$id" WM_STATE | grep -q Iconic || fail "strip did not minimise"
timeout 60 "$wine" "$programs/tarvo.exe" || fail "second start did not end by itself"
for _ in $(seq 20); do xprop -id "$id" WM_STATE | grep -q Normal && break; sleep 0.3; done
xprop -id "$id" WM_STATE | grep -q Normal || fail "second start left the strip minimised"
echo "ok: a second start brings the strip back and ends"

"$wineserver" -k; "$wineserver" -w
"$wineserver" -p >/dev/null 2>&1 </dev/null &
wine_server_up
"$wine" "$programs/uninstall.exe" /S
# The uninstaller runs from a copy of itself and returns at once.
for _ in $(seq 60); do [ ! -f "$programs/tarvo.exe" ] && break; sleep 0.5; done
left=$(cd "$programs" 2>/dev/null && find . -type f | sort | tr '\n' ' ')
[ -f "$programs/file1.trv" ] || fail "the totals went with the program: left $left"
for f in $left; do
  case "$f" in ./file1.trv|./history.sqlite*|./*.trv) ;; *) fail "uninstall left $f" ;; esac
done
if "$wine" reg query "$run_key" /v tarvo >/dev/null 2>&1; then fail "uninstall left the Run value"; fi
[ ! -e "$link" ] || fail "uninstall left the Start-menu entry"
if "$wine" reg query "$uninstall_key" >/dev/null 2>&1; then fail "uninstall left its registry key"; fi
echo "ok: silent uninstall removes the Run value and leaves only the user's data: $left"
