#!/usr/bin/env bash
# The usage history against the totals. In a namespace with an uplink: about 3,000,000 bytes,
# SIGTERM, restart, about 1,000,000 bytes, SIGKILL, restart; then "tarvo --usage --json",
# run beside the copied program, must show today's received and sent equal to the growth of
# file1.trv over the whole check, to the byte. Then 200 SIGKILLs at random moments while
# traffic flows, across minute boundaries, after which the history must pass SQLite's
# integrity check and still agree with the totals.
# Takes about 205 s.
# Needs root. Usage: tests/e2e/history_agreement.sh build/src/app/tarvo
set -euo pipefail
. "$(dirname "$0")/netns_lib.sh"
under_x "$@"
need_packages python3:python3
p=tvo9-$$
meter_ns=$p-meter isp_ns=$p-isp
prepare "${1:-}" "$meter_ns" "$isp_ns"

mkns "$meter_ns" "$isp_ns"
make_uplink "$meter_ns" "$isp_ns"
printf '1000**2000\r\n' > "$work/file1.trv"

growth() { # prints the growth of file1.trv's line since 1000**2000
  local l; l=$(line)
  echo "$(( ${l%%\*\**} - 1000 )) $(( ${l##*\*\*} - 2000 ))"
}
agree() { # what
  # A running meter still sends now and then (its look for a home router), and what it
  # counts goes into the history once a minute: the two must meet within that minute.
  local h g before
  for _ in $(seq 35); do
    before=$(growth); h=$(computer_today); g=$(growth)
    [ "$before" = "$g" ] && [ "$h" = "$g" ] && break
    sleep 2
  done
  [ "$h" = "$g" ] || fail "$1: history today $h, file1.trv grew by $g"
  echo "ok: $1: history today (received sent) $h = growth of file1.trv"
}
[ "$(date +%H%M)" -lt 2355 ] || fail "too close to midnight for a check of today's row"

# 1442 bytes on the wire per echo of 1400 bytes: about 3,000,000 and 1,000,000 bytes.
start_meter "$meter_ns"
flood "$meter_ns" 198.51.100.2 2080
settle "$meter_ns" up0
stop_meter TERM
# A clean stop closes the history, and SQLite removes its journal then.
[ ! -e "$work/history.sqlite-wal" ] || fail "SIGTERM left the history open (its journal is still there)"
agree "after 3 MB and SIGTERM"

start_meter "$meter_ns"
flood "$meter_ns" 198.51.100.2 694
settle "$meter_ns" up0
stop_meter KILL

start_meter "$meter_ns"
settle "$meter_ns" up0
agree "after 1 MB, SIGKILL and a restart (meter running)"
stop_meter TERM
agree "after the restarted meter's SIGTERM"

# Kills at random moments: during start-up (each start writes the history), amid the
# per-second saves and at minute boundaries. Traffic flows throughout, bounded.
ip netns exec "$meter_ns" timeout 400 ping -q -i 0.05 -s 1000 -c 8000 198.51.100.2 >/dev/null 2>&1 &
pinger=$!
for i in $(seq 200); do
  launch_meter "$meter_ns"
  sleep "0.$(printf '%03d' $((RANDOM % 1000)))"
  (( i % 25 == 0 )) && sleep "$((RANDOM % 3 + 1))" # some runs live long enough for a few saves
  kill -9 "$meter" 2>/dev/null || true
  for _ in $(seq 50); do kill -0 "$meter" 2>/dev/null || break; sleep 0.05; done
  meter=
done
kill "$pinger" 2>/dev/null || true
wait "$pinger" 2>/dev/null || true
echo "ok: 200 SIGKILLs at random moments"

result=$(python3 - "$work/history.sqlite" <<'PY'
import sqlite3, sys
db = sqlite3.connect("file:" + sys.argv[1] + "?mode=ro", uri=True)
print(db.execute("PRAGMA integrity_check").fetchone()[0])
PY
)
[ "$result" = "ok" ] || fail "integrity_check after 200 SIGKILLs: $result"
echo "ok: PRAGMA integrity_check: $result"
ls "$work" | grep -q 'history.sqlite.damaged-' && fail "a history was moved aside as damaged"

start_meter "$meter_ns"
settle "$meter_ns" up0
stop_meter TERM
agree "after the 200 SIGKILLs, a restart and SIGTERM"
