#!/usr/bin/env bash
# The router's count stays the truth where its connection and this computer's clock do not:
# three home networks in namespaces, each with the tests' stand-in router (64-bit counters, a
# 100 Mbit/s line) and a meter of its own, at once.
# - reconnect: the router's connection comes up again every 25 s (its uptime back to 0) while
#   its interface's counters run on: the router's days must hold its true count, not the whole
#   counter again at each reconnect;
# - old counter: on a fresh history, the router answers 55 GB after an hour of connection, more
#   than its line can carry in an hour: that span is named unknown, and only what it counted
#   after the meter's first reading is counted;
# - clock: this computer's clock is set an hour forward while the meter runs (libfaketime, the
#   monotonic clock untouched): the 5 MB the line carried count once, not the whole counter.
# Takes about 100 s.
# Needs root. Usage: tests/e2e/router_truth.sh build/src/app/tarvo
set -euo pipefail
. "$(dirname "$0")/netns_lib.sh"
under_x "$@"
need_packages python3:python3 faketime:faketime
faketime_lib=$(dpkg -L libfaketime | grep '/libfaketime\.so\.1$')
p0=tvt-$$
names=()
for n in re old clk; do names+=("$p0-$n-isp" "$p0-$n-rt" "$p0-$n-pc"); done
prepare "${1:-}" "${names[@]}"
[ "$(date +%H%M)" -lt 2240 ] || fail "too close to midnight for a check of the day's rows"

truth() { cat "$work/state"; }
# Every day of the router's history, summed, and its unknown spans: "received sent unknown".
router_all() {
  XDG_CONFIG_HOME="$work/config" "$work/tarvo" --usage --json 2>/dev/null | python3 -c '
import json, sys
r = json.load(sys.stdin)["routers"]
if not r: print("none"); sys.exit()
print(sum(d["received"] for d in r[0]["days"]), sum(d["sent"] for d in r[0]["days"]),
      len(r[0]["unknown"]))'
}
# The counters stopped, read twice more and written at a clean stop; then $r is the router's
# days and $t its true count.
stop_and_count() {
  echo 0 > "$work/rate"
  sleep 25
  stop_meter TERM
  r=$(router_all) t=$(truth)
}
# Runs in a subshell: $work and $p are this network's own.
network() { # name function
  work=$work/$1 p=$p0-$1 meter=
  trap 'if [ -n "$meter" ]; then kill -9 "$meter" 2>/dev/null || true; fi' EXIT
  "$2"
}
mkdir -p "$work/re" "$work/old" "$work/clk"
for n in re old clk; do cp "$work/tarvo" "$work/$n/"; done

reconnect() {
  echo 1000000 > "$work/rate"
  stand_in_home count64 --rate 1000000 --rate-file "$work/rate" --speed 100000000 \
    --reconnect-every 25
  start_meter "$p-pc"
  sleep 70
  local r t
  stop_and_count
  [ "$r" = "$t 0" ] || fail "reconnects: the router's days $r, its true count $t (and no unknown span)"
  echo "ok: a connection that came up again three times: the router's days (received sent) $t = its true count"
  # This computer is behind the router: the other devices moved the router's count less its
  # own, which is more than nothing (its questions to the router), and at most all of its own.
  local others own
  others=$(XDG_CONFIG_HOME="$work/config" "$work/tarvo" --usage --json 2>/dev/null | python3 -c '
import json, sys
d = json.load(sys.stdin)["routers"][0]["others_days"]
print(sum(x["received"] for x in d) + sum(x["sent"] for x in d))')
  own=$(computer_today)
  local all=$(( ${t% *} + ${t#* } )) mine=$(( ${own% *} + ${own#* } ))
  (( others < all && others >= all - mine )) ||
    fail "the other devices: $others of the router's $all, this computer's own $mine"
  echo "ok: the other devices moved $others of the router's $all (this computer $mine)"
}

old_counter() {
  echo 0 > "$work/rate"
  stand_in_home count64 --start 55000000000 --uptime-start 3600 --rate-file "$work/rate" \
    --speed 100000000
  start_meter "$p-pc"
  sleep 15 # read at least once before anything moves
  local before; before=$(truth)
  echo 2000000 > "$work/rate"
  sleep 20
  local r t
  stop_and_count
  local want="$(( ${t% *} - ${before% *} )) $(( ${t#* } - ${before#* } )) 1"
  [ "$r" = "$want" ] ||
    fail "an old counter: the router's days $r, want what it counted since the meter read it and one unknown span: $want"
  echo "ok: 55 GB after an hour of connection: named unknown, only the ${want% *} counted since then"
}

clock_forward() {
  echo 500000 > "$work/rate"
  stand_in_home count64 --rate 500000 --rate-file "$work/rate" --speed 100000000
  echo "+0" > "$work/clock"
  start_meter "$p-pc" LD_PRELOAD="$faketime_lib" FAKETIME_TIMESTAMP_FILE="$work/clock" \
    FAKETIME_CACHE_DURATION=1 FAKETIME_DONT_FAKE_MONOTONIC=1
  sleep 25
  echo "+3600" > "$work/clock" # an hour forward, as a first time sync does
  sleep 25
  local r t
  stop_and_count
  [ "$r" = "$t 0" ] || fail "a clock set forward: the router's days $r, its true count $t"
  echo "ok: the clock set an hour forward: the router's days (received sent) $t = its true count"
}

( network re reconnect ) &
a=$!
( network old old_counter ) &
b=$!
status=0
( network clk clock_forward ) || status=1
wait "$a" || status=1
wait "$b" || status=1
exit "$status"
