#!/usr/bin/env bash
# Each byte counted once. A desktop namespace with an uplink to an "isp" namespace, a bridge
# with a routed container behind it, and a vxlan tunnel over the uplink. Traffic from the
# container, through the tunnel and straight to the isp crosses the bridge, its port, the
# tunnel and the uplink; only the uplink is where it leaves the computer, so once traffic is
# quiet file1.trv must hold exactly the saved totals plus the uplink's kernel counters.
# Takes about 15 s.
# Needs root. Usage: tests/e2e/netns_once.sh build/src/app/tarvo
set -euo pipefail
. "$(dirname "$0")/netns_lib.sh"
under_x "$@"
p=tvo1-$$
meter_ns=$p-meter isp_ns=$p-isp ctr_ns=$p-ctr
prepare "${1:-}" "$meter_ns" "$isp_ns" "$ctr_ns"

mkns "$meter_ns" "$isp_ns" "$ctr_ns"
make_uplink "$meter_ns" "$isp_ns"
ip -n "$isp_ns" route add 203.0.113.0/24 via 198.51.100.1 dev isp0
ip netns exec "$meter_ns" sysctl -qw net.ipv4.ip_forward=1
# The container: a veth port on a bridge, routed through the desktop.
ip -n "$meter_ns" link add br0 type bridge
ip link add vc0 netns "$meter_ns" type veth peer name c0 netns "$ctr_ns"
ip -n "$meter_ns" link set vc0 master br0
ip -n "$meter_ns" addr add 203.0.113.1/24 dev br0
ip -n "$ctr_ns" addr add 203.0.113.2/24 dev c0
for l in br0 vc0; do ip -n "$meter_ns" link set "$l" up; done
ip -n "$ctr_ns" link set c0 up
ip -n "$ctr_ns" route add default via 203.0.113.1 dev c0
# A tunnel over the uplink.
ip -n "$meter_ns" link add vx0 type vxlan id 42 local 198.51.100.1 remote 198.51.100.2 dstport 4789 dev up0
ip -n "$isp_ns" link add vx0 type vxlan id 42 local 198.51.100.2 remote 198.51.100.1 dstport 4789 dev isp0
ip -n "$meter_ns" addr add 192.0.2.1/24 dev vx0
ip -n "$isp_ns" addr add 192.0.2.2/24 dev vx0
ip -n "$meter_ns" link set vx0 up
ip -n "$isp_ns" link set vx0 up
no_probes "$meter_ns" "$isp_ns" "$ctr_ns"

printf '1000**1000\r\n' > "$work/file1.trv"
start_meter "$meter_ns"
flood "$ctr_ns" 198.51.100.2 400 # container to the isp: bridge port, bridge, uplink
flood "$meter_ns" 192.0.2.2 300  # through the tunnel: vxlan, uplink
flood "$meter_ns" 198.51.100.2 300 # straight over the uplink
settle "$meter_ns" up0 br0 vc0 vx0
read -r up_rx up_tx br_rx br_tx vc_rx vc_tx vx_rx vx_tx <<<"$counts"
[ "$up_rx" -gt 1000000 ] && [ "$up_tx" -gt 1000000 ] || fail "too little traffic over the uplink: $up_rx/$up_tx"
[ "$vc_rx" -gt 500000 ] && [ "$vx_rx" -gt 400000 ] || fail "traffic missed the bridge or the tunnel: $vc_rx/$vx_rx"
expected="$((1000 + up_rx))**$((1000 + up_tx))"
[ "$now" = "$expected" ] || fail "file1.trv $now, expected $expected (1000 + up0 rx $up_rx / tx $up_tx; br0 $br_rx/$br_tx, vc0 $vc_rx/$vc_tx, vx0 $vx_rx/$vx_tx)"
echo "ok: file1.trv $now = 1000 + up0 rx $up_rx / tx $up_tx"
echo "ok: not counted: br0 rx $br_rx tx $br_tx, vc0 rx $vc_rx tx $vc_tx, vx0 rx $vx_rx tx $vx_tx" \
  "(summing every link would have given $((1000 + up_rx + br_rx + vc_rx + vx_rx))**$((1000 + up_tx + br_tx + vc_tx + vx_tx)))"
