#!/usr/bin/env bash
# A second is a second: a steady download of about 900 kbit/s into the meter's namespace; the
# meter is held for 5 s (SIGSTOP, as a loaded machine, a paused virtual machine or a swapping
# laptop holds it) and let go. The strip's download rate as the tick after the hold shows it,
# read from the window through the accessibility bus as a screen reader reads it, must be
# within 20 % of the line's rate, not the hold's traffic shown as one second's.
# Takes about 20 s.
# Needs root. Usage: tests/e2e/rates_after_a_hold.sh build/src/app/tarvo
set -euo pipefail
. "$(dirname "$0")/netns_lib.sh"
under_x "$@"
need_packages python3:python3 dbus-daemon:dbus /usr/libexec/at-spi-bus-launcher:at-spi2-core \
  python3-pyatspi
p=tvh-$$
meter_ns=$p-meter isp_ns=$p-isp
prepare "${1:-}" "$meter_ns" "$isp_ns"
mkns "$meter_ns" "$isp_ns"
make_uplink "$meter_ns" "$isp_ns"

# The session bus and the accessibility bus in the meter's namespace: a bus on an abstract
# socket is only reachable from its own network namespace.
ip netns exec "$meter_ns" dbus-daemon --session --fork --address="unix:path=$work/bus" >/dev/null
export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/bus" QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
ip netns exec "$meter_ns" /usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
disown $!

# 112,500 bytes a second of UDP payload, paced on the sender's own steady clock, to a port
# that takes them in the meter's namespace.
ip netns exec "$meter_ns" python3 -c '
import socket
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind(("198.51.100.1", 9))
while True:
    s.recv(65536)' 2>/dev/null &
disown $!
ip netns exec "$isp_ns" timeout 120 python3 -c '
import socket, time
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
start, sent = time.monotonic(), 0
while True:
    while sent < (time.monotonic() - start) * 112500:
        s.sendto(b"x" * 1125, ("198.51.100.1", 9))
        sent += 1125
    time.sleep(0.005)' 2>/dev/null &
disown $!

start_meter "$meter_ns"
sleep 3 # a few seconds of rates

# The line's rate in the meter's kilobits (1024 bytes of 8 bits) a second, from up0's counter.
a=$(stat_of "$meter_ns" up0 rx); t0=$(date +%s.%N)
sleep 5
b=$(stat_of "$meter_ns" up0 rx); t1=$(date +%s.%N)
line_kbit=$(python3 -c "print(($b - $a) / 1024 * 8 / ($t1 - $t0))")

# Holds the meter, lets it go and reads the rate of the tick that follows, told apart by its
# clock; a reading that came too late for that tick is tried again.
hold() {
  ip netns exec "$meter_ns" /usr/bin/python3 - "$meter" <<'PY'
import os, signal, sys, time
import pyatspi

pid = int(sys.argv[1])

def find(acc, test):
    if test(acc):
        return acc
    for i in range(acc.childCount):
        found = find(acc.getChildAtIndex(i), test)
        if found is not None:
            return found
    return None

app = None
for _ in range(100):
    app = next((a for a in pyatspi.Registry.getDesktop(0) if a is not None and a.name == "Tarvo"), None)
    if app is not None:
        break
    time.sleep(0.1)
if app is None:
    sys.exit("no Tarvo on the accessibility bus")
down = find(app, lambda a: a.getRoleName() == "label" and a.name.startswith("DOWN:"))
clock = find(app, lambda a: a.getRoleName() == "menu item" and len(a.name) == 8 and a.name[2] == ":")
if down is None or clock is None:
    sys.exit("no download rate or clock on the strip")
print("before", down.name[5:], file=sys.stderr)
before = clock.name
os.kill(pid, signal.SIGSTOP)
time.sleep(5)
os.kill(pid, signal.SIGCONT)
let_go = time.monotonic()
while clock.name == before and time.monotonic() - let_go < 2:
    pass
rate, late = down.name[5:], time.monotonic() - let_go
print(rate if late < 0.8 else "late")
PY
}
for _ in 1 2 3; do
  shown=$(hold) || fail "the strip could not be read"
  [ "$shown" != late ] && break
done
[ "$shown" != late ] || fail "three times the reading came too late for the tick after the hold"
python3 -c "import sys; sys.exit(0 if abs($shown - $line_kbit) <= 0.2 * $line_kbit else 1)" ||
  fail "after a 5 s hold the strip showed DOWN:$shown, the line carries $line_kbit kbit/s"
echo "ok: after a 5 s hold the strip showed DOWN:$shown; the line carries $(printf '%.1f' "$line_kbit") kbit/s"
