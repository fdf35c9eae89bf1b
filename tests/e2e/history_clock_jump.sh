#!/usr/bin/env bash
# A wrong clock deletes no history. In a namespace with an uplink, the meter runs with its
# clock three days, two days and an hour behind and at the right time, with traffic each
# time; then once two years ahead, then right again. Every minute and hour row written
# before is still there, each day row still equals the sum of its hours, and the history
# still holds exactly what file1.trv grew by.
# Takes about 85 s.
# Needs root. Usage: tests/e2e/history_clock_jump.sh build/src/app/tarvo
set -euo pipefail
. "$(dirname "$0")/netns_lib.sh"
under_x "$@"
need_packages python3:python3 faketime:faketime
faketime_lib=$(dpkg -L libfaketime | grep '/libfaketime\.so\.1$')
p=tvj-$$
meter_ns=$p-meter isp_ns=$p-isp
prepare "${1:-}" "$meter_ns" "$isp_ns"
mkns "$meter_ns" "$isp_ns"
make_uplink "$meter_ns" "$isp_ns"
printf '1000**2000\r\n' > "$work/file1.trv"

run_at() { # faketime offset ("" for the right time)
  # The library itself, not the faketime wrapper: the signals must reach the meter.
  local clock=(); [ -n "$1" ] && clock=(LD_PRELOAD="$faketime_lib" FAKETIME="$1")
  echo "run: clock offset ${1:-none}"
  start_meter "$meter_ns" "${clock[@]}"
  flood "$meter_ns" 198.51.100.2 200
  settle "$meter_ns" up0
  stop_meter TERM
}

rows() { # prints the minute and hour rows as "table key interface" lines, sorted
  python3 - "$work/history.sqlite" <<'PY'
import sqlite3, sys
db = sqlite3.connect("file:" + sys.argv[1] + "?mode=ro", uri=True)
for t in ("minutes", "hours"):
    for k, i in db.execute(f"SELECT k, i FROM {t} ORDER BY k, i"):
        print(t, k, i)
PY
}

check_history() { # what
  python3 - "$work/history.sqlite" "$(line)" "$1" <<'PY' || fail "$1"
import sqlite3, sys
db = sqlite3.connect("file:" + sys.argv[1] + "?mode=ro", uri=True)
rx, tx = (int(v) for v in sys.argv[2].split("**"))
days = dict(((k, i), (a, b)) for k, i, a, b in db.execute("SELECT k, i, rx, tx FROM days"))
sums = {}
for k, i, a, b in db.execute("SELECT k / 24, i, rx, tx FROM hours"):
    s = sums.setdefault((k, i), [0, 0]); s[0] += a; s[1] += b
for key, (a, b) in days.items():
    if tuple(sums.get(key, (0, 0))) != (a, b):
        sys.exit(f"{sys.argv[3]}: day {key} holds {a}/{b}, its hours {sums.get(key)}")
total = db.execute("SELECT sum(rx), sum(tx) FROM months").fetchone()
if (total[0] + 1000, total[1] + 2000) != (rx, tx):
    sys.exit(f"{sys.argv[3]}: history {total}, file1.trv {rx}**{tx}")
print(f"ok: {sys.argv[3]}: {len(days)} day rows equal their hours; history = growth of file1.trv ({rx - 1000}/{tx - 2000})")
PY
}

for offset in -3d -2d -1h ""; do run_at "$offset"; done
before=$(rows)
[ "$(grep -c '^minutes' <<<"$before")" -ge 4 ] || fail "expected a minute row per run: $before"
check_history "before the jump"

run_at +730d
run_at ""
after=$(rows)
missing=$(comm -23 <(sort <<<"$before") <(sort <<<"$after"))
[ -z "$missing" ] || fail "rows deleted by a clock two years ahead: $missing"
echo "ok: all $(wc -l <<<"$before") minute and hour rows kept across a clock two years ahead and back"
check_history "after the jump and back"
