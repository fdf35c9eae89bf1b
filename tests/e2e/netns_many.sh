#!/usr/bin/env bash
# Many interfaces: 149 veth links plus the uplink, created last so that it is the last line
# of a /proc/net/dev larger than 16 KB. The uplink's traffic must still be counted exactly:
# once quiet, file1.trv holds the saved totals plus the uplink's kernel counters.
# Takes about 15 s.
# Needs root. Usage: tests/e2e/netns_many.sh build/src/app/tarvo
set -euo pipefail
. "$(dirname "$0")/netns_lib.sh"
under_x "$@"
p=tvo2-$$
meter_ns=$p-meter isp_ns=$p-isp far_ns=$p-far
prepare "${1:-}" "$meter_ns" "$isp_ns" "$far_ns"

mkns "$meter_ns" "$isp_ns" "$far_ns"
# Long names make long lines: 149 of them fill more than 16 KB of /proc/net/dev.
for i in $(seq -w 1 149); do
  echo "link add extra-link-$i type veth peer name extra-peer-$i netns $far_ns"
  echo "link set extra-link-$i up"
done > "$work/batch"
ip -n "$meter_ns" -batch "$work/batch"
for i in $(seq -w 1 149); do echo "link set extra-peer-$i up"; done > "$work/batch"
ip -n "$far_ns" -batch "$work/batch"
make_uplink "$meter_ns" "$isp_ns"

size=$(ip netns exec "$meter_ns" sh -c 'wc -c < /proc/net/dev')
links=$(ip netns exec "$meter_ns" sh -c 'tail -n +3 /proc/net/dev | wc -l')
last=$(ip netns exec "$meter_ns" sh -c 'tail -n1 /proc/net/dev' | awk -F: '{ gsub(/ /, "", $1); print $1 }')
[ "$size" -gt $((4096 * 4)) ] || fail "/proc/net/dev is only $size bytes"
[ "$last" = up0 ] || fail "the uplink is not listed last but $last"
echo "ok: /proc/net/dev in the meter's namespace: $size bytes, $links interfaces, up0 last"

printf '1000**1000\r\n' > "$work/file1.trv"
start_meter "$meter_ns"
flood "$meter_ns" 198.51.100.2 1500
settle "$meter_ns" up0
read -r up_rx up_tx <<<"$counts"
[ "$up_rx" -gt 2000000 ] && [ "$up_tx" -gt 2000000 ] || fail "too little traffic over the uplink: $up_rx/$up_tx"
expected="$((1000 + up_rx))**$((1000 + up_tx))"
[ "$now" = "$expected" ] || fail "file1.trv $now, expected $expected (1000 + up0 rx $up_rx / tx $up_tx)"
kill -0 "$meter" 2>/dev/null || fail "meter ended"
echo "ok: file1.trv $now = 1000 + up0 rx $up_rx / tx $up_tx with $links interfaces"
