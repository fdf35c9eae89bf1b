#!/usr/bin/env bash
# A router that misbehaves, played by a stand-in of the tests' own (tests/router/stand_in_router)
# on a home network in namespaces, at the address the setting "router" names. It answers 32-bit
# counters that wrap (100 MB/s from its start, 80 % of its line, so that its first count fits the
# time its connection has been up, and wraps about 41 s on): its today must equal its true count
# to the byte, with no 4 GiB jump; then the meter is held with SIGSTOP for two minutes, longer
# than the counter takes to wrap at the line's 1 Gbit/s: that span must be named unknown and
# nothing counted for it.
# Takes about 290 s, most of it the counter's growth and the hold.
# Needs root. Usage: tests/e2e/router_wrapping.sh build/src/app/tarvo
set -euo pipefail
. "$(dirname "$0")/netns_lib.sh"
under_x "$@"
need_packages python3:python3
p=tvsw-$$
prepare "${1:-}" "$p-isp" "$p-rt" "$p-pc"
[ "$(date +%H%M)" -lt 2350 ] || fail "too close to midnight for a check of today's row"
truth() { cat "$work/state"; }

echo 104857600 > "$work/rate"
stand_in_home wrap32 --rate 104857600 --rate-file "$work/rate" --speed 1000000000
start_meter "$p-pc"
sleep 65 # the wrap comes about 41 s after the router's start
echo 0 > "$work/rate"
sleep 25
stop_meter TERM
r=$(router_today); t=$(truth)
[ "${r% * *}" = "$t" ] || fail "32-bit counters that wrapped: the router's today $r, its true count $t"
[ "${r##* }" = 0 ] || fail "a span was named unknown where none was: $r"
echo "ok: 32-bit counters across their wrap: today (received sent) ${r% * *} = the true count"

echo 10485760 > "$work/rate"
start_meter "$p-pc"
sleep 15
kill -STOP "$meter"
sleep 120
kill -CONT "$meter"
sleep 15
echo 0 > "$work/rate"
sleep 25
stop_meter TERM
r=$(router_today); t=$(truth)
[ "${r##* }" = 1 ] || fail "the held span was not named unknown once: $r"
missing=$(( ${t% *} - ${r%% *} ))
(( missing > 1000000000 && missing < 1700000000 )) ||
  fail "held two minutes at 10 MB/s, the router's today misses $missing bytes ($r, truly $t)"
echo "ok: two minutes held on a 32-bit counter: named unknown, its ${missing} bytes not guessed"
