# Shared by the network-namespace checks: each script sets $work (its temporary folder,
# holding the copied program and file1.trv) and $meter (the running meter's PID, or empty)
# and then uses these.

need() { command -v "$1" >/dev/null 2>&1 || { apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$2" >/dev/null; }; }

# Runs the calling script again under a fresh X server with a window manager when there is
# no display.
under_x() {
  need ip iproute2
  need ping iputils-ping
  if [ -z "${DISPLAY:-}" ]; then
    need xvfb-run xvfb; need xauth xauth; need openbox openbox
    exec xvfb-run -a sh -c 'openbox >/dev/null 2>&1 & sleep 1; exec "$0" "$@"' "$0" "$@"
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
  for ns in "${namespaces[@]}"; do ip netns del "$ns" 2>/dev/null || true; done
  rm -rf "$work"
}

fail() { echo "FAIL: $*"; [ -s "${work:-/nonexistent}/log" ] && sed 's/^/  meter: /' "$work/log" | tail -20; exit 1; }

mkns() {
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
start_meter() { # namespace
  local rt; rt=$(mktemp -d "$work/rt.XXXXXX")
  touch "$work/started"
  ip netns exec "$1" env XDG_RUNTIME_DIR="$rt" XDG_CONFIG_HOME="$work/config" DISPLAY="$DISPLAY" \
    "$work/tarvo" >>"$work/log" 2>&1 &
  meter=$!
  disown "$meter" # no job notice when it is killed
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
