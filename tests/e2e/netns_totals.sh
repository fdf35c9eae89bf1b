#!/usr/bin/env bash
# The meter in network namespaces of its own, under a real X server with a window manager:
#  1. a namespace with only loopback: "not connected", the offline save writes the saved
#     totals back unchanged;
#  2. a namespace online through two links, each with a default route of its own, so both
#     count; traffic over the second link, which is then deleted: the totals in file1.trv
#     stay where they were and later traffic adds on top;
#  3. a third link counts only while it carries a default route: from the moment the route
#     is added, not with what it carried before, and it keeps what it counted once the route
#     is taken away, or when the link goes down and up again, which takes its default
#     route away without a route announcement for it.
# Takes about 50 s.
# Needs root. Usage: tests/e2e/netns_totals.sh build/src/app/tarvo
set -euo pipefail
. "$(dirname "$0")/netns_lib.sh"
under_x "$@"
p=tvo0-$$
off_ns=$p-off meter_ns=$p-meter peer_ns=$p-peer
prepare "${1:-}" "$off_ns" "$meter_ns" "$peer_ns"

# 1. Only loopback.
mkns "$off_ns"
printf '1024**2048\r\n' > "$work/file1.trv"
start_meter "$off_ns" # returns once the save at start is seen
# It writes again only what changes: the line must stay through the seconds it reads after.
for _ in $(seq 10); do
  [ "$(line)" = "1024**2048" ] || fail "offline save changed the totals: $(line)"
  kill -0 "$meter" 2>/dev/null || fail "meter ended"
  sleep 0.25
done
stop_meter
echo "ok: offline namespace keeps 1024**2048"

# 2. Two links with a default route each; the second one goes away.
mkns "$meter_ns" "$peer_ns"
ip link add a0 netns "$meter_ns" type veth peer name b0 netns "$peer_ns"
ip link add a1 netns "$meter_ns" type veth peer name b1 netns "$peer_ns"
ip -n "$meter_ns" addr add 198.51.100.1/30 dev a0
ip -n "$peer_ns" addr add 198.51.100.2/30 dev b0
ip -n "$meter_ns" addr add 198.51.100.5/30 dev a1
ip -n "$peer_ns" addr add 198.51.100.6/30 dev b1
for l in a0 a1; do ip -n "$meter_ns" link set $l up; done
for l in b0 b1; do ip -n "$peer_ns" link set $l up; done
ip -n "$meter_ns" route add default via 198.51.100.2 dev a0 metric 100
ip -n "$meter_ns" route add default via 198.51.100.6 dev a1 metric 200
no_probes "$meter_ns" "$peer_ns"
printf '1000**1000\r\n' > "$work/file1.trv"
start_meter "$meter_ns"
flood "$meter_ns" 198.51.100.6 40
flood "$meter_ns" 198.51.100.2 10
settle "$meter_ns" a0 a1
read -r a0_rx a0_tx a1_rx a1_tx <<<"$counts"
before=$now
[ "$a1_rx" -gt 50000 ] || fail "no traffic over the second link: $a1_rx"
[ "$before" = "$((1000 + a0_rx + a1_rx))**$((1000 + a0_tx + a1_tx))" ] ||
  fail "file1.trv $before, expected 1000 + a0 $a0_rx/$a0_tx + a1 $a1_rx/$a1_tx"
echo "ok: both default-route links counted: $before = 1000 + a0 $a0_rx/$a0_tx + a1 $a1_rx/$a1_tx"

ip -n "$meter_ns" link del a1
settle "$meter_ns" a0
read -r a0_rx a0_tx <<<"$counts"
after=$now
[ "$after" = "$((1000 + a0_rx + a1_rx))**$((1000 + a0_tx + a1_tx))" ] ||
  fail "totals moved when the link went: $before -> $after (a0 now $a0_rx/$a0_tx, a1 had $a1_rx/$a1_tx)"
echo "ok: kept after the second link went: $after"

flood "$meter_ns" 198.51.100.2 20
settle "$meter_ns" a0
read -r a0_rx2 a0_tx2 <<<"$counts"
later=$now
[ "$a0_rx2" -gt $((a0_rx + 20000)) ] || fail "later traffic did not pass: $a0_rx -> $a0_rx2"
[ "$later" = "$((1000 + a0_rx2 + a1_rx))**$((1000 + a0_tx2 + a1_tx))" ] ||
  fail "later traffic did not add on top: $after -> $later (a0 now $a0_rx2/$a0_tx2)"
echo "ok: later traffic added on top: $later = 1000 + a0 $a0_rx2/$a0_tx2 + gone a1 $a1_rx/$a1_tx"

# 3. A link that gains a default route during the run, and loses it again.
ip link add a2 netns "$meter_ns" type veth peer name b2 netns "$peer_ns"
ip -n "$meter_ns" addr add 198.51.100.9/30 dev a2
ip -n "$peer_ns" addr add 198.51.100.10/30 dev b2
ip -n "$meter_ns" link set a2 up
ip -n "$peer_ns" link set b2 up
no_probes "$meter_ns" "$peer_ns"
flood "$meter_ns" 198.51.100.10 30
settle "$meter_ns" a0 a2
read -r a0_rx a0_tx a2_rx0 a2_tx0 <<<"$counts"
[ "$a2_rx0" -gt 40000 ] || fail "no traffic over the third link: $a2_rx0"
[ "$now" = "$((1000 + a0_rx + a1_rx))**$((1000 + a0_tx + a1_tx))" ] ||
  fail "a link without a default route counted: $later -> $now (a2 $a2_rx0/$a2_tx0)"
ip -n "$meter_ns" route add default via 198.51.100.10 dev a2 metric 300
settle "$meter_ns" a0 a2
read -r a0_rx a0_tx a2_rx1 a2_tx1 <<<"$counts"
flood "$meter_ns" 198.51.100.10 30
settle "$meter_ns" a0 a2
read -r a0_rx a0_tx a2_rx2 a2_tx2 <<<"$counts"
expected="$((1000 + a0_rx + a1_rx + a2_rx2 - a2_rx1))**$((1000 + a0_tx + a1_tx + a2_tx2 - a2_tx1))"
[ "$now" = "$expected" ] ||
  fail "a link given a default route: file1.trv $now, expected $expected (a2 $a2_rx1 -> $a2_rx2 / $a2_tx1 -> $a2_tx2)"
echo "ok: third link counted from its default route on: $now (a2 rx $a2_rx1 -> $a2_rx2, tx $a2_tx1 -> $a2_tx2)"
ip -n "$meter_ns" route del default via 198.51.100.10 dev a2
settle "$meter_ns" a0 a2
flood "$meter_ns" 198.51.100.10 30
settle "$meter_ns" a0 a2
read -r a0_rx a0_tx a2_rx3 a2_tx3 <<<"$counts"
[ "$a2_rx3" -gt $((a2_rx2 + 40000)) ] || fail "traffic over the third link did not pass: $a2_rx2 -> $a2_rx3"
[ "$now" = "$expected" ] ||
  fail "a link whose default route went: file1.trv $now, expected $expected (a2 now $a2_rx3/$a2_tx3)"
echo "ok: third link kept its count and stopped when its route went: $now (a2 now rx $a2_rx3 tx $a2_tx3)"
ip -n "$meter_ns" route add default via 198.51.100.10 dev a2 metric 300
settle "$meter_ns" a0 a2
read -r a0_rx a0_tx a2_rx4 a2_tx4 <<<"$counts"
ip -n "$meter_ns" link set a2 down
settle "$meter_ns" a0 a2
ip -n "$meter_ns" link set a2 up
! ip -n "$meter_ns" route show default | grep -q a2 || fail "the default route over a2 outlived a2 going down"
settle "$meter_ns" a0 a2 # the meter reads once a second: let it see the link up first
flood "$meter_ns" 198.51.100.10 30
settle "$meter_ns" a0 a2
read -r a0_rx a0_tx a2_rx5 a2_tx5 <<<"$counts"
[ "$a2_rx5" -gt $((a2_rx4 + 40000)) ] || fail "traffic over the third link did not pass: $a2_rx4 -> $a2_rx5"
[ "$now" = "$expected" ] ||
  fail "a link whose default route went with a down and up: file1.trv $now, expected $expected (a2 $a2_rx4 -> $a2_rx5 / $a2_tx4 -> $a2_tx5)"
echo "ok: third link not counted after down and up took its route: $now (a2 now rx $a2_rx5 tx $a2_tx5)"
