#!/usr/bin/env bash
# The Windows build under wine in a network namespace with one uplink: wine's interface
# table reports the namespace's veth link as a hardware adapter, and after traffic the
# totals in file1.trv equal the link's kernel counters on top of the saved ones.
# Takes about 45 s.
# Needs root. Usage: tests/e2e/windows/netns_totals_under_wine.sh build-win/tarvo
set -euo pipefail
here=$(dirname "$0")
. "$here/../netns_lib.sh"
. "$here/wine_lib.sh"
under_x "$@"
app=$(readlink -f "${1:-build-win/tarvo}")
[ -f "$app/tarvo.exe" ] || fail "no tarvo.exe in $app"
meter_ns=tvw-$$-m isp_ns=tvw-$$-i
work=$(mktemp -d)
cleanup() {
  stop_wine
  for n in "$meter_ns" "$isp_ns"; do ip netns del "$n" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
mkns "$meter_ns" "$isp_ns"
make_uplink "$meter_ns" "$isp_ns"
cp -r "$app" "$work/tarvo"
printf '1000**1000\r\n' > "$work/tarvo/file1.trv"
start_wine "$meter_ns"
ip netns exec "$meter_ns" "$wine" "$work/tarvo/tarvo.exe" >"$work/log" 2>&1 &
disown $!
strip_window >/dev/null || fail "no strip within 30 s"
for _ in $(seq 50); do grep -q '^link up0 ' "$work/tarvo/file1.trv" && break; sleep 0.2; done
grep -q '^link up0 ' "$work/tarvo/file1.trv" || fail "up0 not counted: $(cat "$work/tarvo/file1.trv")"
flood "$meter_ns" 198.51.100.2 2000
work_line() { head -n1 "$work/tarvo/file1.trv" | tr -d '\r '; }
for _ in $(seq 10); do
  rx=$(stat_of "$meter_ns" up0 rx) tx=$(stat_of "$meter_ns" up0 tx)
  sleep 2.5
  now=$(work_line)
  [ "$rx $tx" = "$(stat_of "$meter_ns" up0 rx) $(stat_of "$meter_ns" up0 tx)" ] && break
done
[ "$rx" -gt 1000000 ] || fail "no traffic over up0: $rx"
[ "$now" = "$((1000 + rx))**$((1000 + tx))" ] || fail "file1.trv $now, kernel up0 $rx/$tx on top of 1000"
echo "ok: under wine file1.trv $now = 1000 + up0 $rx/$tx"
