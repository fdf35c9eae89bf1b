#!/usr/bin/env bash
# A router that misbehaves, played by a stand-in of the tests' own (tests/router/stand_in_router)
# on a home network in namespaces, at the address the setting "router" names. It sticks at
# 4294967295 while this computer moves more than 1 MB through it for ten minutes: it must count
# nothing and be told as a router that does not count.
# Takes about 660 s: the rule it checks waits ten minutes, and so does the check.
# Needs root. Usage: tests/e2e/router_sticking.sh build/src/app/tarvo
set -euo pipefail
. "$(dirname "$0")/netns_lib.sh"
under_x "$@"
need_packages python3:python3
p=tvss-$$
prepare "${1:-}" "$p-isp" "$p-rt" "$p-pc"
[ "$(date +%H%M)" -lt 2340 ] || fail "too close to midnight for a check of today's row"

stand_in_home stickmax
serve_bytes "$p-rt" 192.0.2.1
start_meter "$p-pc"
for _ in $(seq 11); do
  fetch_bytes "$p-pc" 192.0.2.1 300000
  sleep 58
done
stop_meter TERM
r=$(router_today)
[ "$r" = "0 0 false 0" ] || fail "a router stuck at 4294967295: $r (want nothing counted, counts false)"
echo "ok: a router stuck at 4294967295 counted nothing and is told as not counting"
