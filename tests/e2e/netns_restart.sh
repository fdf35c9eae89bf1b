#!/usr/bin/env bash
# Restarts within one boot. The uplink's traffic must reach the totals exactly once across:
#  run 1, traffic A, SIGKILL; run 2 (counts nothing twice at start), traffic B, SIGTERM;
#  the uplink deleted and made anew under the same name (another ifindex, counters from 0);
#  run 3 (the new link counts from 0), traffic C; the uplink made anew once more while the
#  meter runs, between two of its readings, traffic D.
# At the end file1.trv = saved + each of the three uplinks' counters at its end.
# Takes about 50 s.
# Needs root. Usage: tests/e2e/netns_restart.sh build/src/app/tarvo
set -euo pipefail
. "$(dirname "$0")/netns_lib.sh"
under_x "$@"
p=tvo3-$$
meter_ns=$p-meter isp_ns=$p-isp
prepare "${1:-}" "$meter_ns" "$isp_ns"
check() { # what, received base, sent base
  expected="$(($2 + up_rx))**$(($3 + up_tx))"
  [ "$now" = "$expected" ] || fail "$1: file1.trv $now, expected $expected ($2 + rx $up_rx, $3 + tx $up_tx)"
  echo "ok: $1: file1.trv $now = $2 + up0 rx $up_rx, $3 + up0 tx $up_tx"
}

mkns "$meter_ns" "$isp_ns"
make_uplink "$meter_ns" "$isp_ns"
ifindex_old=$(ip netns exec "$meter_ns" cat /sys/class/net/up0/ifindex)
printf '1000**2000\r\n' > "$work/file1.trv"

start_meter "$meter_ns"
flood "$meter_ns" 198.51.100.2 300
settle "$meter_ns" up0; read -r up_rx up_tx <<<"$counts"
[ "$up_rx" -gt 400000 ] || fail "traffic A did not pass: $up_rx"
check "run 1 after traffic A" 1000 2000
stop_meter KILL

start_meter "$meter_ns"
settle "$meter_ns" up0; read -r up_rx up_tx <<<"$counts"
check "run 2 at start, after SIGKILL" 1000 2000
flood "$meter_ns" 198.51.100.2 200
settle "$meter_ns" up0; read -r up_rx up_tx <<<"$counts"
check "run 2 after traffic B" 1000 2000
stop_meter TERM
echo "ok: record after run 2: $(tail -n +2 "$work/file1.trv" | tr -d '\r' | paste -sd '|')"

# The same name made anew: what the old link carried stays, the new one counts from 0.
read -r old_rx old_tx <<<"$(stat_of "$meter_ns" up0 rx) $(stat_of "$meter_ns" up0 tx)"
ip -n "$meter_ns" link del up0
make_uplink "$meter_ns" "$isp_ns"
ifindex_new=$(ip netns exec "$meter_ns" cat /sys/class/net/up0/ifindex)
[ "$ifindex_new" != "$ifindex_old" ] || fail "the new up0 kept ifindex $ifindex_old"
echo "ok: up0 made anew: ifindex $ifindex_old -> $ifindex_new; old up0 ended at rx $old_rx tx $old_tx"

start_meter "$meter_ns"
settle "$meter_ns" up0; read -r up_rx up_tx <<<"$counts"
check "run 3 at start, new up0" $((1000 + old_rx)) $((2000 + old_tx))
flood "$meter_ns" 198.51.100.2 100
settle "$meter_ns" up0; read -r up_rx up_tx <<<"$counts"
[ "$up_rx" -gt 100000 ] || fail "traffic C did not pass: $up_rx"
check "run 3 after traffic C" $((1000 + old_rx)) $((2000 + old_tx))
echo "ok: record after run 3: $(tail -n +2 "$work/file1.trv" | tr -d '\r' | paste -sd '|')"
grep -q "^link up0 $ifindex_new $up_rx $up_tx"$'\r'"\$" "$work/file1.trv" ||
  fail "the record does not hold the new up0: $(tail -n +2 "$work/file1.trv" | tr -d '\r')"
echo "ok: totals after run 3 $now = 1000 + old up0 rx $old_rx + new up0 rx $up_rx, 2000 + old up0 tx $old_tx + new up0 tx $up_tx"

# Made anew while the meter runs: deleted and made again quickly, so that most likely the
# meter's next reading finds the same name under another ifindex. Quiet until the meter has
# seen the new link with its default route: a link that starts to count during a run
# counts from that moment, and traffic before it would fall on either side.
mid_rx=$up_rx mid_tx=$up_tx
ip -n "$meter_ns" link del up0
make_uplink "$meter_ns" "$isp_ns"
settle "$meter_ns" up0
flood "$meter_ns" 198.51.100.2 50
settle "$meter_ns" up0; read -r up_rx up_tx <<<"$counts"
[ "$up_rx" -gt 50000 ] || fail "traffic D did not pass: $up_rx"
check "run 3 after up0 made anew while running, traffic D" $((1000 + old_rx + mid_rx)) $((2000 + old_tx + mid_tx))
echo "ok: final totals $now = 1000 + rx $old_rx + $mid_rx + $up_rx, 2000 + tx $old_tx + $mid_tx + $up_tx"
