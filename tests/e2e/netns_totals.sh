#!/usr/bin/env bash
# The meter in network namespaces of its own, under a real X server with a window manager:
#  1. a namespace with only loopback: "not connected", the offline save writes the saved
#     totals back unchanged;
#  2. a namespace online through a first link, with traffic over a second link that is then
#     deleted: the totals in file1.trv stay where they were and later traffic adds on top.
# Needs root, iproute2, iputils-ping, xvfb, openbox. Usage: tests/e2e/netns_totals.sh build/src/app/tarvo
set -euo pipefail
exe=$(readlink -f "${1:-build/src/app/tarvo}")
work=$(mktemp -d)
cleanup() {
  pkill -f "$work/tarvo" 2>/dev/null || true
  for ns in tvo-off tvo-meter tvo-peer; do ip netns del "$ns" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
cp "$exe" "$work/tarvo"
line() { head -n1 "$work/file1.trv" | tr -d '\r'; }
fail() { echo "FAIL: $*"; exit 1; }

start_meter() { # namespace
  rm -rf "$work/rt"; mkdir -m 700 "$work/rt"
  ip netns exec "$1" env XDG_RUNTIME_DIR="$work/rt" DISPLAY="$DISPLAY" "$work/tarvo" &
  sleep 4
}

# 1. Only loopback.
ip netns add tvo-off
ip netns exec tvo-off ip link set lo up
printf '1024**2048\r\n' > "$work/file1.trv"
start_meter tvo-off
[ "$(line)" = "1024**2048" ] || fail "offline save changed the totals: $(line)"
pkill -f "$work/tarvo"; sleep 0.5
echo "ok: offline namespace keeps 1024**2048"

# 2. Two links; the second one goes away.
ip netns add tvo-meter
ip netns add tvo-peer
for ns in tvo-meter tvo-peer; do ip netns exec $ns ip link set lo up; done
ip link add tvo-a0 netns tvo-meter type veth peer name tvo-b0 netns tvo-peer
ip link add tvo-a1 netns tvo-meter type veth peer name tvo-b1 netns tvo-peer
ip -n tvo-meter addr add 198.51.100.1/30 dev tvo-a0
ip -n tvo-peer addr add 198.51.100.2/30 dev tvo-b0
ip -n tvo-meter addr add 198.51.100.5/30 dev tvo-a1
ip -n tvo-peer addr add 198.51.100.6/30 dev tvo-b1
for l in tvo-a0 tvo-a1; do ip -n tvo-meter link set $l up; done
for l in tvo-b0 tvo-b1; do ip -n tvo-peer link set $l up; done
ip -n tvo-meter route add default via 198.51.100.2 dev tvo-a0
printf '1000**1000\r\n' > "$work/file1.trv"
start_meter tvo-meter
ip netns exec tvo-meter ping -q -c 40 -i 0.05 -s 1400 198.51.100.6 >/dev/null
sleep 2.5
before=$(line)
recv_before=${before%%\*\**}
[ "$recv_before" -gt 50000 ] || fail "traffic over the second link did not count: $before"
ip -n tvo-meter link del tvo-a1
sleep 2.5
after=$(line)
recv_after=${after%%\*\**}
[ "$recv_after" -ge "$recv_before" ] || fail "totals fell when the link went: $before -> $after"
ip netns exec tvo-meter ping -q -c 20 -i 0.05 -s 1400 198.51.100.2 >/dev/null
sleep 2.5
later=$(line)
recv_later=${later%%\*\**}
[ "$recv_later" -gt $((recv_after + 20000)) ] || fail "later traffic did not add on top: $after -> $later"
echo "ok: second link counted ($before), kept after deletion ($after), later traffic added ($later)"
