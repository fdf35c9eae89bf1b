#!/usr/bin/env bash
# The Windows build under wine reads the home router: a home network in namespaces with
# Debian's miniupnpd as its router, the program under wine on the computer behind it. It must
# find the router by SSDP (miniupnpc with the Windows socket layer started) and read its
# counters: after a phone behind the same router downloads, the router's rows in the history
# beside the program reach the router's WAN link counters, to the byte.
# Takes about 100 s.
# Needs root. Usage: tests/e2e/windows/router_under_wine.sh build-win/tarvo
set -euo pipefail
here=$(dirname "$0")
. "$here/../netns_lib.sh"
. "$here/wine_lib.sh"
under_x "$@"
need_packages python3:python3 miniupnpd:miniupnpd-nftables
app=$(readlink -f "${1:-build-win/tarvo}")
[ -f "$app/tarvo.exe" ] || fail "no tarvo.exe in $app"
p=tvwr-$$
work=$(mktemp -d)
namespaces=("$p-isp" "$p-rt" "$p-pc" "$p-phone")
cleanup() {
  stop_wine
  for ns in "${namespaces[@]}"; do
    ip netns pids "$ns" 2>/dev/null | xargs -r kill -9 2>/dev/null || true
    ip netns del "$ns" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT
make_home "$p" pc phone
printf 'ext_ifname=wan0\nlistening_ip=br0\nhttp_port=5000\nuuid=3d3cec3a-8cf0-11e0-98ee-001a6bd2d07c\nenable_natpmp=no\n' >"$work/upnpd.conf"
ip netns exec "$p-rt" miniupnpd -d -P "$work/upnpd.pid" -f "$work/upnpd.conf" >"$work/upnpd.log" 2>&1 &
disown $!
wait_port "$p-pc" 192.0.2.1 5000
serve_bytes "$p-isp" 198.51.100.2

cp -r "$app" "$work/tarvo"
start_wine "$p-pc"
ip netns exec "$p-pc" "$wine" "$work/tarvo/tarvo.exe" >"$work/log" 2>&1 &
disown $!
strip_window >/dev/null || fail "no strip within 30 s"
fetch_bytes "$p-phone" 198.51.100.2 20000000
# Written once a minute: the router's rows reach its counters within two minutes.
routers() {
  python3 - "$work/tarvo/history.sqlite" <<'PY'
import sqlite3, sys
try:
    db = sqlite3.connect("file:" + sys.argv[1] + "?mode=ro", uri=True)
    print(*db.execute("SELECT coalesce(sum(rx), 0), coalesce(sum(tx), 0) FROM router_days").fetchone())
except sqlite3.Error:
    print("none")
PY
}
for _ in $(seq 150); do
  got=$(routers); want="$(stat_of "$p-rt" wan0 rx) $(stat_of "$p-rt" wan0 tx)"
  [ "$got" = "$want" ] && break
  sleep 1
done
[ "$got" = "$want" ] || fail "under wine the router's rows hold $got, its WAN link counted $want"
echo "ok: under wine the router was found and its rows (received sent) $got = its WAN link's counters"
