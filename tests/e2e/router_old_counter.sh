#!/usr/bin/env bash
# A router whose counters are older than its connection, played by the tests' stand-in
# (tests/router/stand_in_router) at the address the setting "router" names: a 64-bit router on
# a 100 Mbit/s line that has carried 50 GB received and 5 GB sent, its connection up for an
# hour (more than such a line carries in an hour, so the counters are older than that hour).
# It stands still until the meter has read it, then grows by 1 MB a second while its
# connection comes up again every 40 s (the uptime back to 0, the counters going on), and this
# computer's clock is set an hour forward while the meter runs. The router's today must be
# what it grew by since the meter first read it, to the byte: nothing of the old counter, and
# nothing twice for a reconnect or the clock.
# Takes about 150 s.
# Needs root. Usage: tests/e2e/router_old_counter.sh build/src/app/tarvo
set -euo pipefail
. "$(dirname "$0")/netns_lib.sh"
under_x "$@"
need_packages python3:python3 faketime:faketime
p=tvso-$$
prepare "${1:-}" "$p-isp" "$p-rt" "$p-pc"
# Today's row an hour ahead is still today.
[ "$(date +%H%M)" -lt 2250 ] || fail "too close to midnight for a check of today's row"
faketime_lib=$(dpkg -L libfaketime | grep '/libfaketime\.so\.1$')
echo +0 > "$work/clock"

echo 0 > "$work/rate"
stand_in_home count64 --start 50000000000 --uptime-start 3600 --speed 100000000 \
  --reconnect-every 40 --rate-file "$work/rate"
start_meter "$p-pc" LD_PRELOAD="$faketime_lib" FAKETIME_TIMESTAMP_FILE="$work/clock" \
  FAKETIME_CACHE_DURATION=1 FAKETIME_DONT_FAKE_MONOTONIC=1
# The first round of readings is in once the stand-in has answered and another round went by.
for _ in $(seq 100); do [ -s "$work/state" ] && break; sleep 0.2; done
[ -s "$work/state" ] || fail "the meter never read the stand-in"
sleep 12
read -r first_rx first_tx < "$work/state"
echo 1048576 > "$work/rate"
sleep 45 # one reconnect
echo +3600 > "$work/clock"
echo "clock set an hour forward"
sleep 45 # and another
echo 0 > "$work/rate"
sleep 25
stop_meter TERM
r=$(router_today); read -r rx tx < "$work/state"
want="$((rx - first_rx)) $((tx - first_tx))"
[ "${r% * *}" = "$want" ] ||
  fail "the router's today $r, it grew by $want since the meter first read it (from $first_rx/$first_tx)"
echo "ok: an old counter, two reconnects and a clock an hour forward: today ${r% * *} = the growth since the first reading"
