#!/usr/bin/env bash
# What the idle strip costs, side by side with conky showing the same two rates of the same
# link in the same run: both in one network namespace whose uplink carries a steady trickle
# of pings (5 a second of 1 KB each way), both on one Xvfb with openbox; beside them, where
# it was built, the floor of any Qt Widgets strip (bench/floor_window.cpp).
#
# Prints for each program, over a window of $seconds (60) after a 10 s settle (the strip's
# opening slide is over by then): CPU seconds of every thread (the scheduler's nanosecond
# counts), peak RSS, wake-ups a second of the main thread and of all threads, and syscalls a
# second over 20 s under strace; the ratios Tarvo / conky; and Tarvo's start, from exec to
# the end of the strip's first exposure (the program writes the moment into
# $TARVO_STARTUP_MARK), as the median of 10 starts.
#
# With "router" as the third argument, a home router answers at the uplink's far end (the
# tests' stand-in, its counters growing, named in the setting "router"), so that Tarvo reads
# it every 10 s throughout.
#
# Needs root (network namespaces). Usage: bench/idle.sh [program] [seconds] [router]
set -euo pipefail
cd "$(dirname "$0")/.."
[ "$(id -u)" = 0 ] || { echo "bench/idle.sh needs root (network namespaces)"; exit 1; }
program=$(readlink -f "${1:-build/src/app/tarvo}")
seconds=${2:-60}
with_router=${3:-}
[ -x "$program" ] || { echo "no program at $program (scripts/setup.sh test builds it)"; exit 1; }

# The end-to-end checks' namespace helpers (mkns, make_uplink) and through them need_packages
# and wm_up; cleanup below is our own.
. tests/e2e/netns_lib.sh
need_packages Xvfb:xvfb openbox:openbox xprop:x11-utils conky:conky-std strace:strace \
  ip:iproute2 ping:iputils-ping

work=$(mktemp -d)
ns=tvb-$$ isp=tvb-$$-isp
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null || true; done
  ip netns del "$ns" 2>/dev/null || true
  ip netns del "$isp" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
background() { "$@" >/dev/null 2>&1 & pids+=($!); disown $!; }

display=:$((90 + $$ % 100))
background Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp
export DISPLAY=$display
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
# Now and then openbox ends at once on a server just up: started again, up to three times.
for attempt in 1 2 3; do
  openbox >"$work/openbox.log" 2>&1 & pids+=($!); disown $!
  wm_up "${pids[-1]}" "$work/openbox.log" && break
  [ "$attempt" -lt 3 ] || exit 1
done

# The namespaces as the end-to-end checks make them: no IPv6 chatter, an uplink up0 to an
# "isp" namespace carrying the default route.
mkns "$ns" "$isp"
make_uplink "$ns" "$isp"
background ip netns exec "$isp" ping -q -i 0.2 -s 1000 198.51.100.1

# The meter as a user runs it from an unpacked folder: its data files beside it.
mkdir -p "$work/tarvo" "$work/home" "$work/config/Tarvo" "$work/runtime"
if [ "$with_router" = router ]; then
  stand_in=$(dirname "$program")/../../tests/router/stand_in_router
  [ -x "$stand_in" ] || { echo "no stand-in router at $stand_in (built with the tests)"; exit 1; }
  background ip netns exec "$isp" "$stand_in" --listen 198.51.100.2 --port 5000 --mode count64 \
    --rate 2000
  printf '[settings]\nrouter=http://198.51.100.2:5000/rootDesc.xml\n' >"$work/config/Tarvo/Tarvo.conf"
fi
chmod 700 "$work/runtime"
cp "$program" "$work/tarvo/tarvo"
cat >"$work/conky.conf" <<'EOF'
conky.config = {
    out_to_x = true, out_to_console = false, background = false,
    own_window = true, own_window_type = 'normal', double_buffer = true,
    use_xft = true, font = 'DejaVu Sans:size=9', update_interval = 1.0,
    alignment = 'top_left', gap_x = 10, gap_y = 10, minimum_width = 200,
};
conky.text = [[${downspeed up0} ${upspeed up0}]]
EOF
in_ns() {
  ip netns exec "$ns" env HOME="$work/home" XDG_CONFIG_HOME="$work/config" \
    XDG_RUNTIME_DIR="$work/runtime" DISPLAY="$DISPLAY" "$@"
}

# The PID of the newest process running exactly the given executable.
newest() { for _ in $(seq 100); do pgrep -n -f -x "$1" && return 0; sleep 0.05; done; return 1; }

# Nanoseconds on the CPU of all of a process's threads.
cpu_ns() { awk '{ s += $1 } END { printf "%d", s }' /proc/"$1"/task/*/schedstat; }
# Wake-ups: each time a thread slept and was woken (voluntary context switches). Per thread,
# so that a pool thread ending within the window takes only its own count along.
wakes_main() { awk '/^voluntary_ctxt_switches/ { print $2 }' /proc/"$1"/status; }
wakes_threads() {
  for task in /proc/"$1"/task/*; do
    echo "${task##*/} $(awk '/^voluntary_ctxt_switches/ { print $2 }' "$task/status" 2>/dev/null)"
  done
}
peak_kb() { awk '/VmHWM/ { print $2 }' /proc/"$1"/status; }

# The floor: a bare Qt Widgets window with a clock in its menu bar and one label, both
# rewritten once a second (bench/floor_window.cpp), when it was built beside the program.
floor_program=$(dirname "$program")/../../bench/tarvo_floor_window
who_all=(tarvo conky)
in_ns "$work/tarvo/tarvo" >"$work/tarvo.log" 2>&1 & pids+=($!); disown $!
in_ns conky -c "$work/conky.conf" >"$work/conky.log" 2>&1 & pids+=($!); disown $!
if [ -x "$floor_program" ]; then
  cp "$floor_program" "$work/floor"
  in_ns "$work/floor" >"$work/floor.log" 2>&1 & pids+=($!); disown $!
  who_all+=(floor)
  floor=$(newest "$work/floor")
fi
tarvo=$(newest "$work/tarvo/tarvo")
conky=$(newest "conky -c $work/conky.conf")
sleep 10

declare -A cpu0 main0
for who in "${who_all[@]}"; do
  pid=${!who}
  cpu0[$who]=$(cpu_ns "$pid") main0[$who]=$(wakes_main "$pid")
  wakes_threads "$pid" >"$work/$who.wakes0"
done
sleep "$seconds"
declare -A cpu main all peak calls
for who in "${who_all[@]}"; do
  pid=${!who}
  kill -0 "$pid" 2>/dev/null || { echo "$who ended during the run"; cat "$work/$who.log"; exit 1; }
  cpu[$who]=$(( $(cpu_ns "$pid") - cpu0[$who] ))
  main[$who]=$(( $(wakes_main "$pid") - main0[$who] ))
  wakes_threads "$pid" >"$work/$who.wakes1"
  all[$who]=$(awk 'NR == FNR { before[$1] = $2; next } { s += $2 - before[$1] } END { print s + 0 }' \
    "$work/$who.wakes0" "$work/$who.wakes1")
  peak[$who]=$(peak_kb "$pid")
done

# Syscalls over 20 s, all traced at once.
for who in "${who_all[@]}"; do
  timeout -s INT 20 strace -f -c -o "$work/$who.strace" -p "${!who}" >/dev/null 2>&1 &
done
sleep 21
while pgrep -x strace >/dev/null; do sleep 0.2; done
for who in "${who_all[@]}"; do
  calls[$who]=$(awk '$NF == "total" { print $4 }' "$work/$who.strace")
done

echo "over $seconds s, idle but for the trickle of pings${with_router:+, a router read every 10 s}:"
printf '%-6s %10s %10s %14s %14s %12s\n' "" "CPU s" "peak MB" "wakes/s main" "wakes/s all" "syscalls/s"
for who in "${who_all[@]}"; do
  awk -v w="$who" -v c="${cpu[$who]}" -v p="${peak[$who]}" -v m="${main[$who]}" \
      -v a="${all[$who]}" -v s="${calls[$who]:-0}" -v t="$seconds" \
    'BEGIN { printf "%-6s %10.3f %10.1f %14.2f %14.2f %12.1f\n", w, c / 1e9, p / 1024, m / t, a / t, s / 20 }'
done
awk -v ct="${cpu[tarvo]}" -v cc="${cpu[conky]}" -v pt="${peak[tarvo]}" -v pc="${peak[conky]}" \
  'BEGIN { printf "ratio  CPU %.2f, peak RSS %.2f (Tarvo / conky)\n", ct / cc, pt / pc }'
for who in tarvo conky; do
  echo "$who's most frequent syscalls in 20 s:"
  awk '$1 ~ /^[0-9.]+$/ && $NF != "total" { print "  " $NF " " $4 }' "$work/$who.strace" |
    sort -k2 -n -r | head -6
done
for who in "${who_all[@]}"; do kill "${!who}" 2>/dev/null || true; done
for _ in $(seq 50); do kill -0 "$tarvo" 2>/dev/null || break; sleep 0.1; done

# Start to strip: the data files from the run above are in place, as on every later start.
starts=()
for _ in $(seq 10); do
  rm -f "$work/mark" "$work/begin"
  # The moment is taken inside the namespace, just before the exec: entering the namespace
  # (ip netns exec mounts a sysfs of its own) is not the program's start.
  in_ns env TARVO_STARTUP_MARK="$work/mark" sh -c 'date +%s%N >"$1"; exec "$2"' sh \
    "$work/begin" "$work/tarvo/tarvo" >>"$work/tarvo.log" 2>&1 &
  pid=$!
  for _ in $(seq 100); do [ -s "$work/mark" ] && break; sleep 0.05; done
  if [ -s "$work/mark" ] && [ -s "$work/begin" ]; then
    starts+=($(( ($(cat "$work/mark") - $(cat "$work/begin")) / 1000000 )))
  fi
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  pkill -f -x "$work/tarvo/tarvo" 2>/dev/null || true
  for _ in $(seq 50); do pgrep -f -x "$work/tarvo/tarvo" >/dev/null || break; sleep 0.1; done
done
if [ ${#starts[@]} -eq 10 ]; then
  printf 'start to strip, ms, 10 starts: %s; median %s\n' "${starts[*]}" \
    "$(printf '%s\n' "${starts[@]}" | sort -n | awk '{ v[NR] = $1 } END { print (v[5] + v[6]) / 2 }')"
else
  echo "start to strip: not measured (the program wrote no mark)"
fi
