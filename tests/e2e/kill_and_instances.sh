#!/usr/bin/env bash
# Single instance and SIGKILL, under a real X server:
#  - a second copy ends at once and changes no file or setting;
#  - a second copy brings the minimised meter back to the front;
#  - after SIGKILL a new start is not blocked by the old lock;
#  - two copies started at the same moment leave exactly one running;
#  - killed at random moments, the meter never leaves file1.trv empty or unreadable.
# Takes about 65 s.
# Usage: tests/e2e/kill_and_instances.sh build/src/app/tarvo [kills]
# Needs xdotool and xprop (x11-utils).
set -euo pipefail
for tool in xdotool xprop; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing"; exit 1; }
done
exe=$(readlink -f "${1:-build/src/app/tarvo}")
kills=${2:-40}
work=$(mktemp -d)
trap 'pkill -9 -f "$work/tarvo" 2>/dev/null || true; rm -rf "$work"' EXIT
cp "$exe" "$work/tarvo"
export XDG_RUNTIME_DIR="$work/rt" XDG_CONFIG_HOME="$work/config"
mkdir -m 700 "$XDG_RUNTIME_DIR"
fail() { echo "FAIL: $*"; exit 1; }
running() { pgrep -f -x "$work/tarvo" | wc -l; }
valid() { head -n1 "$work/file1.trv" | tr -d '\r' | grep -Eq '^ ?[0-9.E+]*\*\* ?[0-9.E+]*$'; }
# Waits until the copy of pid $1 shows its window: it holds the lock, and listens for a
# second copy from then on.
up() { # pid
  for _ in $(seq 100); do
    [ -n "$(xdotool search --onlyvisible --pid "$1" --name '^TVM$' 2>/dev/null)" ] && return 0
    kill -0 "$1" 2>/dev/null || fail "the copy of pid $1 ended instead of running"
    sleep 0.2
  done
  fail "the copy of pid $1 showed no window within 20 s"
}
# Ends every copy with SIGKILL and waits until none is left.
kill_all() {
  pkill -9 -f -x "$work/tarvo" || true
  for _ in $(seq 50); do [ "$(running)" -eq 0 ] && return 0; sleep 0.1; done
  fail "$(running) copies still running 5 s after SIGKILL"
}

printf '1024**2048\r\n' > "$work/file1.trv"
"$work/tarvo" & first=$!
up "$first"
# The running meter writes its history as each minute turns: the second copy's few seconds are
# watched away from that moment, so whatever changes in them is the second copy's doing.
mid_minute() { while s=$((10#$(date +%S))); [ "$s" -lt 3 ] || [ "$s" -gt 48 ]; do sleep 0.5; done; }
snapshot() { (cd "$work" && find . -path ./rt -prune -o -type f -newer "$work/stamp" -print | grep -v '^./file1.trv$' || true); }
mid_minute; touch "$work/stamp"; sleep 1
timeout 10 "$work/tarvo" || fail "second copy failed"
[ "$(running)" -eq 1 ] || fail "second copy kept running"
[ -z "$(snapshot)" ] || fail "second copy wrote: $(snapshot)"
echo "ok: second copy ended at once and wrote nothing"

# Minimises the meter of pid $1, starts a second copy and checks the meter comes back.
brought_back() {
  local win
  win=$(timeout 10 xdotool search --sync --onlyvisible --pid "$1" --name '^TVM$' | head -n1)
  [ -n "$win" ] || fail "no window of the meter"
  hidden() { xprop -id "$win" _NET_WM_STATE | grep -q _NET_WM_STATE_HIDDEN; }
  # The window manager sets the state a moment after the request; on a busy machine it may
  # not yet manage a window just mapped, so the request is made again while waiting.
  for try in $(seq 50); do
    hidden && break
    [ $((try % 10)) -eq 1 ] && xdotool windowminimize "$win"
    sleep 0.1
  done
  hidden || fail "the meter did not minimise"
  mid_minute; touch "$work/stamp"; sleep 1
  timeout 5 "$work/tarvo" || fail "second copy failed or hung"
  [ "$(running)" -eq 1 ] || fail "second copy kept running"
  [ -z "$(snapshot)" ] || fail "second copy wrote: $(snapshot)"
  for _ in $(seq 50); do hidden || break; sleep 0.1; done
  hidden && fail "a second start left the meter minimised"
  xprop -id "$win" WM_STATE | grep -q 'Normal' || fail "the meter is not shown: $(xprop -id "$win" WM_STATE)"
}
brought_back "$first"
echo "ok: a second start brought the minimised meter back"

kill -9 "$first"; wait "$first" 2>/dev/null || true
[ -S "$XDG_RUNTIME_DIR/tarvo.socket" ] || fail "no socket left by the killed copy"
"$work/tarvo" & next=$!
disown "$next" # no job notice when it is killed
up "$next"
[ "$(running)" -eq 1 ] || fail "start after SIGKILL left $(running) running"
echo "ok: start after SIGKILL not blocked"
brought_back "$next"
echo "ok: the socket the killed copy left was taken over"
kill_all

for round in 1 2 3 4 5; do
  "$work/tarvo" & a=$!
  "$work/tarvo" & b=$!
  disown "$a" "$b"
  # The one that lost ends by itself, on a busy machine after a while; the other shows.
  for _ in $(seq 100); do
    if ! kill -0 "$a" 2>/dev/null || ! kill -0 "$b" 2>/dev/null; then break; fi
    sleep 0.2
  done
  if kill -0 "$a" 2>/dev/null; then winner=$a; else winner=$b; fi
  up "$winner"
  [ "$(running)" -eq 1 ] || fail "two simultaneous starts left $(running) running (round $round)"
  kill_all
done
echo "ok: simultaneous starts leave one running (5 rounds)"

for i in $(seq "$kills"); do
  "$work/tarvo" & pid=$!
  sleep "$(awk -v r=$RANDOM 'BEGIN { printf "%.3f", 0.3 + (r % 2000) / 1000 }')"
  kill -9 $pid; wait $pid 2>/dev/null || true
  valid || fail "file1.trv after kill $i: $(od -c "$work/file1.trv" | head -3)"
done
[ ! -e "$work/file1.trv.tmp" ] || rm -f "$work/file1.trv.tmp" # at most one, removed at the next start
echo "ok: $kills random SIGKILLs, file1.trv always a complete line: $(tr -d '\r' < "$work/file1.trv")"
