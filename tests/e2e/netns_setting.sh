#!/usr/bin/env bash
# The per-user setting "interfaces" replaces the automatic choice. The meter's namespace has
# an uplink up0 with the default route (the automatic choice) and two links lan0, lan1
# without one; with the setting naming the lan links, once quiet file1.trv must hold the
# saved totals plus exactly lan0's and lan1's kernel counters, and nothing of up0's.
# Runs the setting as one pattern (lan*), as a list (lan0,lan1) and with loopback named
# (lo,lan1: loopback never counts).
# Takes about 45 s.
# Needs root. Usage: tests/e2e/netns_setting.sh build/src/app/tarvo
set -euo pipefail
. "$(dirname "$0")/netns_lib.sh"
under_x "$@"
p=tvo4-$$
meter_ns=$p-meter isp_ns=$p-isp lan_ns=$p-lan
prepare "${1:-}" "$meter_ns" "$isp_ns" "$lan_ns"
mkdir -p "$work/config/Tarvo"

link() { # meter-side name, peer-side name, peer namespace, subnet prefix (a.b.c.)
  ip link add "$1" netns "$meter_ns" type veth peer name "$2" netns "$3"
  ip -n "$meter_ns" addr add "${4}1/30" dev "$1"
  ip -n "$3" addr add "${4}2/30" dev "$2"
  ip -n "$meter_ns" link set "$1" up
  ip -n "$3" link set "$2" up
}

mkns "$meter_ns" "$isp_ns" "$lan_ns"
link up0 isp0 "$isp_ns" 198.51.100.
link lan0 p0 "$lan_ns" 203.0.113.
link lan1 p1 "$lan_ns" 192.0.2.
ip -n "$meter_ns" route add default via 198.51.100.2 dev up0
no_probes "$meter_ns" "$isp_ns" "$lan_ns"

# One run per form of the setting; the file starts with totals only, so everything the
# chosen links' counters hold is counted.
run() { # setting, saved received, saved sent
  printf '[settings]\ninterfaces=%s\n' "$1" > "$work/config/Tarvo/Tarvo.conf"
  printf '%s**%s\r\n' "$2" "$3" > "$work/file1.trv"
  start_meter "$meter_ns"
  flood "$meter_ns" 198.51.100.2 200
  flood "$meter_ns" 203.0.113.2 100
  flood "$meter_ns" 192.0.2.2 50
  flood "$meter_ns" 127.0.0.1 100
  settle "$meter_ns" up0 lan0 lan1 lo
  stop_meter
  read -r up_rx up_tx lan0_rx lan0_tx lan1_rx lan1_tx lo_rx lo_tx <<<"$counts"
  [ "$up_rx" -gt 0 ] && [ "$lan0_rx" -gt 0 ] && [ "$lan1_rx" -gt 0 ] && [ "$lo_rx" -gt 0 ] ||
    fail "traffic missed a link: up0 $up_rx, lan0 $lan0_rx, lan1 $lan1_rx, lo $lo_rx"
}

# Every form is tried even when one fails, so that one run shows which of them count wrong.
failures=0
expect() { # setting, expected line, figures
  if [ "$now" = "$2" ]; then
    echo "ok: interfaces=$1: $now = 5000/7000 + $3"
  else
    echo "FAIL: interfaces=$1: file1.trv $now, expected $2 = 5000/7000 + $3"
    failures=$((failures + 1))
  fi
}
others() { echo "(not counted: up0 $up_rx/$up_tx, lo $lo_rx/$lo_tx)"; }

run 'lan*' 5000 7000
expect 'lan*' "$((5000 + lan0_rx + lan1_rx))**$((7000 + lan0_tx + lan1_tx))" \
  "lan0 $lan0_rx/$lan0_tx + lan1 $lan1_rx/$lan1_tx $(others)"

run 'lan0,lan1' 5000 7000
expect 'lan0,lan1' "$((5000 + lan0_rx + lan1_rx))**$((7000 + lan0_tx + lan1_tx))" \
  "lan0 $lan0_rx/$lan0_tx + lan1 $lan1_rx/$lan1_tx $(others)"

run 'lo, lan1' 5000 7000
expect 'lo, lan1' "$((5000 + lan1_rx))**$((7000 + lan1_tx))" \
  "lan1 $lan1_rx/$lan1_tx $(others), lan0 $lan0_rx/$lan0_tx"

[ "$failures" -eq 0 ] || exit 1
