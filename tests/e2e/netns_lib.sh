# Shared by the network-namespace checks: each script sets $work (its temporary folder,
# holding the copied program and file1.trv) and $meter (the running meter's PID, or empty)
# and then uses these.
# shellcheck shell=bash

# shellcheck source=../../scripts/lib.sh
. "$(dirname "${BASH_SOURCE[0]}")/../../scripts/lib.sh"

# Runs the calling script again under a fresh X server with a window manager when there is
# no display.
under_x() {
  need_packages ip:iproute2 ping:iputils-ping
  if [ -z "${DISPLAY:-}" ]; then
    local status=0
    with_x "$e2e_screen" "$0" "$@" || status=$?
    exit "$status"
  fi
}

# Sets $exe, $work (the program copied in, a config folder) and $meter, and removes the named
# namespaces, the meter and the folder when the script ends.
prepare() { # program, namespace...
  exe=$(readlink -f "${1:-build/src/app/tarvo}")
  shift
  [ -x "$exe" ] || fail "no program at $exe"
  work=$(mktemp -d)
  namespaces=("$@")
  meter=
  trap cleanup EXIT
  cp "$exe" "$work/tarvo"
  mkdir -p "$work/config"
}
cleanup() {
  if [ -n "$meter" ]; then kill -9 "$meter" 2>/dev/null || true; fi
  pkill -9 -f -x "$work/tarvo" 2>/dev/null || true
  # A namespace outlives its processes' absence only: servers in it end first.
  for ns in "${namespaces[@]}"; do
    ip netns pids "$ns" 2>/dev/null | xargs -r kill -9 2>/dev/null || true
    ip netns del "$ns" 2>/dev/null || true
  done
  rm -rf "$work"
}

fail() { echo "FAIL: $*"; [ -s "${work:-/nonexistent}/log" ] && sed 's/^/  meter: /' "$work/log" | tail -20; exit 1; }

mkns() {
  local ns # a caller's $ns (bench/idle.sh's meter namespace) stays its own
  for ns; do
    ip netns add "$ns"
    # No IPv6: router solicitations and the like would move the counters at any moment.
    ip netns exec "$ns" sysctl -qw net.ipv6.conf.all.disable_ipv6=1 net.ipv6.conf.default.disable_ipv6=1
    ip -n "$ns" link set lo up
  done
}

# Nor ARP probes, which come seconds after traffic, when the counters seemed quiet already.
# Per link: a namespace has no default for new ones.
no_probes() { # namespace...
  local ns
  for ns; do
    ip netns exec "$ns" sh -c 'for f in /proc/sys/net/ipv4/neigh/*/delay_first_probe_time; do echo 600 > "$f"; done'
  done
}

stat_of() { ip netns exec "$1" cat "/sys/class/net/$2/statistics/$3_bytes"; }
line() { head -n1 "$work/file1.trv" | tr -d '\r '; }
# Starts the meter in a namespace, with a runtime folder of its own and the variables given
# set for it (e.g. a clock of libfaketime's), and sets $meter; does not wait for it.
launch_meter() { # namespace [VAR=value ...]
  local ns=$1 rt; shift
  rt=$(mktemp -d "$work/rt.XXXXXX")
  ip netns exec "$ns" env XDG_RUNTIME_DIR="$rt" XDG_CONFIG_HOME="$work/config" DISPLAY="$DISPLAY" \
    "$@" "$work/tarvo" >>"$work/log" 2>&1 &
  meter=$!
  disown "$meter" # no job notice when it is killed
}
# The same, then waits for its first save.
start_meter() { # namespace [VAR=value ...]
  touch "$work/started"
  launch_meter "$@"
  for _ in $(seq 100); do
    [ -n "$(find "$work/file1.trv" -newer "$work/started" 2>/dev/null)" ] && return 0
    kill -0 "$meter" 2>/dev/null || fail "meter ended at start"
    sleep 0.2
  done
  fail "meter wrote nothing within 20 s"
}


# Waits until the counters of the named links stand still across 2.5 s, in which the meter
# read them at least twice (it writes only what changed); leaves the file's line in $now and
# the counters in $counts.
settle() { # namespace link...
  local ns=$1 l a b; shift
  for _ in $(seq 10); do
    a=; for l; do a+="$(stat_of "$ns" "$l" rx) $(stat_of "$ns" "$l" tx) "; done
    sleep 2.5
    kill -0 "$meter" 2>/dev/null || fail "meter ended"
    now=$(line)
    b=; for l; do b+="$(stat_of "$ns" "$l" rx) $(stat_of "$ns" "$l" tx) "; done
    if [ "$a" = "$b" ]; then counts=$b; return 0; fi
  done
  fail "counters never stood still: $a / $b"
}

flood() { # namespace address count
  ip netns exec "$1" timeout 60 ping -q -f -c "$3" -s 1400 "$2" >/dev/null || true
}

stop_meter() { # [signal]
  kill "-${1:-TERM}" "$meter"
  for _ in $(seq 50); do kill -0 "$meter" 2>/dev/null || break; sleep 0.2; done
  kill -0 "$meter" 2>/dev/null && fail "meter still running 10 s after SIG${1:-TERM}"
  meter=
}

# An uplink up0 from the meter's namespace to an "isp" one, carrying the default route.
make_uplink() { # meter namespace, isp namespace
  ip link add up0 netns "$1" type veth peer name isp0 netns "$2"
  ip -n "$1" addr add 198.51.100.1/30 dev up0
  ip -n "$2" addr add 198.51.100.2/30 dev isp0
  ip -n "$1" link set up0 up
  ip -n "$2" link set isp0 up
  ip -n "$1" route add default via 198.51.100.2 dev up0
  no_probes "$1" "$2"
}

# A home network: an "isp" namespace, a router "rt" with its WAN link wan0 (198.51.100.1/30)
# and a LAN bridge br0 (192.0.2.1/24), and hosts behind it, each an eth0 at 192.0.2.10, .20, ...
make_home() { # prefix host...
  local p=$1 h n=10; shift
  mkns "$p-isp" "$p-rt"
  make_wan "$p"
  ip -n "$p-rt" link add br0 type bridge
  ip -n "$p-rt" addr add 192.0.2.1/24 dev br0
  ip -n "$p-rt" link set br0 up
  ip netns exec "$p-rt" sysctl -qw net.ipv4.ip_forward=1
  for h; do
    mkns "$p-$h"
    ip link add "lan-$h" netns "$p-rt" type veth peer name eth0 netns "$p-$h"
    ip -n "$p-rt" link set "lan-$h" master br0 up
    ip -n "$p-$h" addr add "192.0.2.$n/24" dev eth0
    ip -n "$p-$h" link set eth0 up
    ip -n "$p-$h" route add default via 192.0.2.1
    no_probes "$p-$h"
    n=$((n + 10))
  done
  no_probes "$p-rt"
}
# The router's WAN link, made (again): its counters start from 0.
make_wan() { # prefix
  ip link add wan0 netns "$1-rt" type veth peer name isp0 netns "$1-isp"
  ip -n "$1-rt" addr add 198.51.100.1/30 dev wan0
  ip -n "$1-isp" addr add 198.51.100.2/30 dev isp0
  ip -n "$1-rt" link set wan0 up
  ip -n "$1-isp" link set isp0 up
  ip -n "$1-rt" route add default via 198.51.100.2
  ip -n "$1-isp" route add 192.0.2.0/24 via 198.51.100.1 2>/dev/null || true
  no_probes "$1-isp"
}
# A home network "$p" (make_home, with this computer "pc") whose router is the tests' own
# stand-in (tests/router/stand_in_router, beside the program's build) at the address the
# meter's setting "router" names; its true count goes to $work/state.
stand_in_home() { # mode [stand-in option...]
  local mode=$1 stand_in
  shift
  stand_in=$(dirname "$exe")/../../tests/router/stand_in_router
  [ -x "$stand_in" ] || fail "no stand-in router at $stand_in"
  make_home "$p" pc
  mkdir -p "$work/config/Tarvo"
  printf '[settings]\nrouter=http://192.0.2.1:5000/rootDesc.xml\n' > "$work/config/Tarvo/Tarvo.conf"
  ip netns exec "$p-rt" "$stand_in" --listen 192.0.2.1 --port 5000 --mode "$mode" \
    --state "$work/state" "$@" >"$work/stand_in.log" 2>&1 &
  disown $!
  wait_port "$p-pc" 192.0.2.1 5000
}
# Waits until something answers on a TCP port, as seen from a namespace.
wait_port() { # namespace address port
  for _ in $(seq 100); do
    ip netns exec "$1" timeout 1 bash -c "exec 3<>/dev/tcp/$2/$3" 2>/dev/null && return 0
    sleep 0.1
  done
  fail "nothing answers on $2:$3"
}
# A byte server in a namespace: each connection names a count and gets that many bytes.
serve_bytes() { # namespace address
  ip netns exec "$1" python3 -c '
import socket, sys, threading
s = socket.socket(); s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
s.bind((sys.argv[1], 9000)); s.listen(8)
block = b"x" * (1 << 20)
def serve(c):
    try:
        n = int(c.makefile().readline() or 0)  # a probe of the port names none
        while n > 0:
            k = min(n, len(block)); c.sendall(block[:k]); n -= k
    except OSError:
        pass
    c.close()
while True:
    c, _ = s.accept(); threading.Thread(target=serve, args=(c,), daemon=True).start()
' "$2" &
  disown $!
  wait_port "$1" "$2" 9000
}
# Takes count bytes from a byte server; with a rate, about that many bytes a second.
fetch_bytes() { # namespace address count [bytes-per-second]
  ip netns exec "$1" python3 -c '
import socket, sys, time
c = socket.create_connection((sys.argv[1], 9000)); c.sendall(sys.argv[2].encode() + b"\n")
rate = float(sys.argv[3]); got = 0; t0 = time.time()
while True:
    b = c.recv(1 << 20)
    if not b: break
    got += len(b)
    if rate and got > rate * (time.time() - t0): time.sleep(0.05)
' "$2" "$3" "${4:-0}"
}
# A router's and this computer's traffic of today as "tarvo --usage --json" reports it.
router_today() { # [field: received|sent|counts|unknown]
  XDG_CONFIG_HOME="$work/config" "$work/tarvo" --usage --json 2>/dev/null | python3 -c '
import json, sys
r = json.load(sys.stdin)["routers"]
if not r: print("none"); sys.exit()
d = r[0]["days"][-1]; print(d["received"], d["sent"], str(r[0]["counts"]).lower(), len(r[0]["unknown"]))'
}
# This computer's history, every day of it: the check's own, as its history is new. What came
# before the meter's first reading goes to when the links came up, taken as the boot, which
# may be yesterday.
computer_today() {
  XDG_CONFIG_HOME="$work/config" "$work/tarvo" --usage --json 2>/dev/null | python3 -c '
import json, sys
days = json.load(sys.stdin)["days"]
print(sum(d["received"] for d in days), sum(d["sent"] for d in days))'
}
