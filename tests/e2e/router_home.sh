#!/usr/bin/env bash
# The household's use as the router counts it. A home network in namespaces: an ISP, a router
# running Debian's miniupnpd (answering from its WAN link's kernel counters), this computer and
# a phone behind it. The meter finds the router by itself; after the phone's and this computer's
# downloads the router's today must equal the WAN link's counters to the byte, and this
# computer's today only its own. Then, each time checked the same way: the meter held with
# SIGSTOP for two minutes while the phone downloads, after more than 4 GiB went through the
# router (a 64-bit counter: the gap's bytes arrive, spread); SIGKILLs at random moments while
# the phone downloads; the router started again with its WAN link made anew.
# Takes about 390 s.
# Needs root. Usage: tests/e2e/router_home.sh build/src/app/tarvo
set -euo pipefail
. "$(dirname "$0")/netns_lib.sh"
under_x "$@"
need_packages python3:python3 miniupnpd:miniupnpd-nftables
p=tvr-$$
prepare "${1:-}" "$p-isp" "$p-rt" "$p-pc" "$p-phone"
[ "$(date +%H%M)" -lt 2345 ] || fail "too close to midnight for a check of today's row"
make_home "$p" pc phone

cat > "$work/upnpd.conf" <<CONF
ext_ifname=wan0
listening_ip=br0
http_port=5000
uuid=3d3cec3a-8cf0-11e0-98ee-001a6bd2d07b
enable_natpmp=no
secure_mode=no
CONF
upnpd=
start_upnpd() {
  ip netns exec "$p-rt" miniupnpd -d -P "$work/upnpd.pid" -f "$work/upnpd.conf" >>"$work/log" 2>&1 &
  upnpd=$!
  disown "$upnpd"
  wait_port "$p-pc" 192.0.2.1 5000
}
start_upnpd
serve_bytes "$p-isp" 198.51.100.2

wan() { echo "$(stat_of "$p-rt" wan0 rx) $(stat_of "$p-rt" wan0 tx)"; }
own() { echo "$(stat_of "$p-pc" eth0 rx) $(stat_of "$p-pc" eth0 tx)"; }
# The router was read since the traffic stopped: two rounds 10 s apart, then a clean stop
# writes what is pending.
settle_and_stop() { sleep 25; stop_meter TERM; }
agree() { # what [extra base "rx tx" to add to the WAN counters]
  local r w base=${2:-0 0}
  r=$(router_today); w=$(wan)
  w="$(( ${w% *} + ${base% *} )) $(( ${w#* } + ${base#* } ))"
  [ "${r% * *}" = "$w" ] || fail "$1: the router's today $r, its WAN link counted $w"
  echo "ok: $1: the router's today (received sent) ${r% * *} = its WAN link's counters"
}

start_meter "$p-pc"
# Found, read, and written at the minute's end.
for _ in $(seq 130); do [ "$(router_today)" != none ] && break; sleep 1; done
[ "$(router_today)" != none ] || fail "no router read within two minutes"
# At 100 MB/s, as a real line carries it: a veth moves more than the 10 Gbit/s the meter takes
# for the fastest line, and growth beyond that counts nothing.
fetch_bytes "$p-phone" 198.51.100.2 4700000000 100000000
fetch_bytes "$p-pc" 198.51.100.2 3000000
settle_and_stop
agree "the phone's 4.7 GB and this computer's 3 MB"
c=$(computer_today); o=$(own)
[ "$c" = "$o" ] || fail "this computer's today $c, its own link counted $o"
echo "ok: this computer's today $c = its own link's counters only"

# A computer asleep: the meter held while the phone downloads.
start_meter "$p-pc"
sleep 15
kill -STOP "$meter"
fetch_bytes "$p-phone" 198.51.100.2 300000000 5000000 &
fetcher=$!
sleep 120
kill -CONT "$meter"
wait "$fetcher"
settle_and_stop
agree "two minutes held while the phone took 300 MB"
spread=$(python3 - "$work/history.sqlite" <<'PY'
import sqlite3, sys
db = sqlite3.connect("file:" + sys.argv[1] + "?mode=ro", uri=True)
print(db.execute("SELECT coalesce(sum(rx), 0) FROM router_spread").fetchone()[0])
PY
)
[ "$spread" -gt 100000000 ] || fail "the held minutes' bytes were not spread over them ($spread)"
echo "ok: $spread bytes spread over the minutes the meter was held"

# Kills at random moments while the phone downloads.
fetch_bytes "$p-phone" 198.51.100.2 200000000 2000000 &
fetcher=$!
for i in $(seq 6); do
  start_meter "$p-pc"
  sleep "$((RANDOM % 12 + 3)).$((RANDOM % 10))"
  stop_meter KILL
done
wait "$fetcher"
start_meter "$p-pc"
settle_and_stop
agree "6 SIGKILLs at random moments amid 200 MB"

# The router starts again: its WAN link made anew, its counters and uptime from 0.
start_meter "$p-pc"
sleep 15
before=$(wan)
kill "$upnpd"
ip -n "$p-rt" link del wan0
make_wan "$p"
start_upnpd
fetch_bytes "$p-phone" 198.51.100.2 20000000
settle_and_stop
agree "the router started again with a new WAN link" "$before"
r=$(router_today)
[ "${r##* }" = 0 ] || fail "a span was named unknown: $r"
echo "ok: no span unknown"
