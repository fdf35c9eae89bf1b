#!/usr/bin/env bash
# Routers that misbehave, played by a stand-in of the tests' own (tests/router/stand_in_router),
# each on its own home network in namespaces, at the address the setting "router" names.
# One answers 32-bit counters that wrap (10 MB/s from 300 MB below 2^32): its today must equal
# its true count to the byte, with no 4 GiB jump; then the meter is held with SIGSTOP for two
# minutes, longer than the counter takes to wrap at the line's 1 Gbit/s: that span must be
# named unknown and nothing counted for it. The other sticks at 4294967295 while this computer
# moves more than 1 MB through it for ten minutes: it must count nothing and be told as a router
# that does not count. Both run at once.
# Needs root. Usage: tests/e2e/router_stand_ins.sh build/src/app/tarvo
set -euo pipefail
. "$(dirname "$0")/netns_lib.sh"
under_x "$@"
need_packages python3:python3
p=tvs-$$
prepare "${1:-}" "$p-a-isp" "$p-a-rt" "$p-a-pc" "$p-b-isp" "$p-b-rt" "$p-b-pc"
stand_in=$(dirname "$exe")/../../tests/router/stand_in_router
[ -x "$stand_in" ] || fail "no stand-in router at $stand_in"
[ "$(date +%H%M)" -lt 2340 ] || fail "too close to midnight for a check of today's row"

# Each network's meter in a folder of its own, with the router named in its settings.
network() { # name mode [stand-in option...]
  local n=$1 mode=$2; shift 2
  make_home "$p-$n" pc
  mkdir -p "$work/$n/config/Tarvo"
  cp "$work/tarvo" "$work/$n/"
  printf '[settings]\nrouter=http://192.0.2.1:5000/rootDesc.xml\n' > "$work/$n/config/Tarvo/Tarvo.conf"
  ip netns exec "$p-$n-rt" "$stand_in" --listen 192.0.2.1 --port 5000 --mode "$mode" \
    --state "$work/$n/state" "$@" >"$work/$n/stand_in.log" 2>&1 &
  disown $!
  wait_port "$p-$n-pc" 192.0.2.1 5000
}
# In a subshell per network: work and meter are that network's.
in_network() { work=$work/$1; meter=; trap - EXIT; shift; "$@"; }
truth() { cat "$work/state"; }

wrapping() {
  echo 10485760 > "$work/rate"
  start_meter "$p-a-pc"
  sleep 65 # the wrap comes 30 s after the router's start
  echo 0 > "$work/rate"
  sleep 25
  stop_meter TERM
  local r t; r=$(router_today); t=$(truth)
  [ "${r% * *}" = "$t" ] || fail "32-bit counters that wrapped: the router's today $r, its true count $t"
  [ "${r##* }" = 0 ] || fail "a span was named unknown where none was: $r"
  echo "ok: 32-bit counters across their wrap: today (received sent) ${r% * *} = the true count"

  echo 10485760 > "$work/rate"
  start_meter "$p-a-pc"
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
  local missing=$(( ${t% *} - ${r%% *} ))
  (( missing > 1000000000 && missing < 1700000000 )) ||
    fail "held two minutes at 10 MB/s, the router's today misses $missing bytes ($r, truly $t)"
  echo "ok: two minutes held on a 32-bit counter: named unknown, its ${missing} bytes not guessed"
}

sticking() {
  serve_bytes "$p-b-rt" 192.0.2.1
  start_meter "$p-b-pc"
  for _ in $(seq 11); do
    fetch_bytes "$p-b-pc" 192.0.2.1 300000
    sleep 58
  done
  stop_meter TERM
  local r; r=$(router_today)
  [ "$r" = "0 0 false 0" ] || fail "a router stuck at 4294967295: $r (want nothing counted, counts false)"
  echo "ok: a router stuck at 4294967295 counted nothing and is told as not counting"
}

network a wrap32 --start 3980394496 --rate-file "$work/a/rate" --speed 1000000000
network b stickmax
( in_network b sticking ) &
stick=$!
( in_network a wrapping )
wait "$stick" || exit 1
