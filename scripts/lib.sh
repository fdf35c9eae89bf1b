# Shared by the project's scripts and end-to-end checks; sourced, never run.
# shellcheck shell=bash

tarvo_lib=$(readlink -f "${BASH_SOURCE[0]}")
# The screen every end-to-end check gets, alone or from a runner.
e2e_screen=1280x800x24

# Installs, as root and quietly, what is missing: for "command:package" the package when the
# command is not on the PATH, for a bare "package" when dpkg does not have it installed.
# Usage: need_packages command:package|package ...
need_packages() {
  local item missing=()
  for item; do
    case $item in
      *:*) command -v "${item%%:*}" >/dev/null 2>&1 || missing+=("${item#*:}") ;;
      *) dpkg-query -W -f='${Status}' "$item" 2>/dev/null | grep -q 'install ok installed' ||
           missing+=("$item") ;;
    esac
  done
  ((${#missing[@]})) || return 0
  if [ "$(id -u)" != 0 ]; then
    echo "missing ${missing[*]}: install them, or run this as root" >&2
    return 1
  fi
  # Stages and checks that run at once install one after another: apt takes one at a time.
  local lock
  mkdir -p /run/lock
  exec {lock}>/run/lock/tarvo-need-packages.lock
  flock "$lock"
  local still=()
  for item in "${missing[@]}"; do
    dpkg-query -W -f='${Status}' "$item" 2>/dev/null | grep -q 'install ok installed' || still+=("$item")
  done
  if ((${#still[@]} == 0)); then
    exec {lock}>&-
    return 0
  fi
  echo "Installing: ${still[*]}" >&2
  # apt's own words only when it fails; one package list per shell is enough.
  local log status=0
  log=$(mktemp)
  if [ -z "${tarvo_apt_updated:-}" ]; then
    apt-get update -qq >"$log" 2>&1 && tarvo_apt_updated=1 || status=$?
  fi
  ((status)) || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    -o DPkg::Lock::Timeout=600 "${still[@]}" >"$log" 2>&1 || status=$?
  exec {lock}>&-
  ((status)) && { cat "$log" >&2; echo "could not install ${still[*]}" >&2; }
  rm -f "$log"
  return "$status"
}

# Runs a command on a fresh X server of its own, without a window manager. xvfb-run -a takes
# the first display number without a lock file, so two started at the same moment may pick
# the same one and one fails: here they pick one after another, the lock held until the
# server is up. Usage: x_run SCREEN (as WxHxDEPTH) command [arg ...]
x_run() {
  local screen=$1 lock
  shift
  need_packages xvfb-run:xvfb xauth:xauth || return 1
  mkdir -p /run/lock
  exec {lock}>/run/lock/tarvo-xvfb.lock
  flock "$lock"
  # The command lets go of the lock (the server holds the same open file, so flock -u).
  local status=0
  xvfb-run -a -s "-screen 0 $screen" bash -c 'flock -u "$0"; eval "exec $0>&-"; exec "$@"' "$lock" "$@" ||
    status=$?
  exec {lock}>&-
  return "$status"
}

# Runs a command on a fresh X server with openbox managing it. The window manager must be up
# first: a window mapped before it is never framed and misses the state changes the checks
# wait for. Usage: with_x SCREEN (as WxHxDEPTH) command [arg ...]
with_x() {
  local screen=$1
  shift
  need_packages openbox:openbox xprop:x11-utils || return 1
  x_run "$screen" bash -c '. "$0" && wm_then_exec "$@"' "$tarvo_lib" "$@"
}

# Waits until the window manager of pid $1 announces itself on the root window of $DISPLAY,
# at most 20 s; says why not otherwise (its own words are in $2).
wm_up() { # pid log
  local _
  for _ in $(seq 200); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id #' && return 0
    if ! kill -0 "$1" 2>/dev/null; then
      echo "note: the window manager ended at start on $DISPLAY: $(tail -3 "$2" | tr '\n' ' ')" >&2
      return 1
    fi
    sleep 0.1
  done
  echo "FAIL: no window manager up on $DISPLAY within 20 s" >&2
  return 1
}

# On the X server of $DISPLAY: starts openbox, waits for it, then becomes the command. Now
# and then openbox ends at once on a server just up; it is started again, up to three times.
wm_then_exec() {
  local log try
  log=$(mktemp)
  for try in 1 2 3; do
    openbox >"$log" 2>&1 &
    if wm_up $! "$log"; then
      rm -f "$log"
      exec "$@"
    fi
    sleep 1
  done
  echo "FAIL: no window manager would start on $DISPLAY" >&2
  exit 1
}

# What a check says it takes, from its line "# Takes about N s", 60 where it says nothing.
check_cost() { # check
  local n
  n=$(sed -n 's/^# Takes about \([0-9]*\) s.*/\1/p' "$1" | head -1)
  echo "${n:-60}"
}

# Runs each check with its argument under with_x, ended after the given seconds, and says how
# each went; returns 1 when any failed. target_of is a command that prints a check's argument.
# Checks run TARVO_E2E_JOBS at a time (2; each has its own namespaces, X server and folders),
# the longest first, so that the last to start are short. Each one's output goes to a log
# that is printed whole when it ends, with its time.
# Usage: run_checks seconds name target_of check ...   (name: what the summary calls them)
run_checks() {
  local seconds=$1 name=$2 target_of=$3 check target pid status failed=() times=()
  shift 3
  local jobs=${TARVO_E2E_JOBS:-2} logs log n=0 queue=() began took
  local -A check_of=() start_of=() log_of=()
  logs=$(mktemp -d)
  began=$(date +%s)
  mapfile -t queue < <(for check; do echo "$(check_cost "$check") $check"; done |
    sort -s -k1,1nr | cut -d' ' -f2-)
  while ((${#queue[@]})) || ((${#check_of[@]})); do
    while ((${#queue[@]})) && ((${#check_of[@]} < jobs)); do
      check=${queue[0]}
      queue=("${queue[@]:1}")
      target=$("$target_of" "$check")
      log=$logs/$((++n))-$(basename "$check").log
      echo "== $check started"
      timeout "$seconds" bash -c '. "$0" && with_x "$@"' "$tarvo_lib" "$e2e_screen" "$check" \
        "$target" >"$log" 2>&1 </dev/null &
      check_of[$!]=$check
      start_of[$!]=$(date +%s)
      log_of[$!]=$log
    done
    status=0
    wait -n -p pid "${!check_of[@]}" || status=$?
    [ -n "${check_of[$pid]:-}" ] || continue
    check=${check_of[$pid]}
    echo "== $check"
    cat "${log_of[$pid]}"
    took=$(( $(date +%s) - start_of[$pid] ))
    if ((status == 0)); then
      echo "== $check passed in $took s"
      times+=("$took s  $check")
    else
      echo "== $check FAILED after $took s (status $status)"
      times+=("$took s  $check FAILED")
      failed+=("$check")
    fi
    unset "check_of[$pid]" "start_of[$pid]" "log_of[$pid]"
  done
  rm -rf "$logs"
  echo "== times of the $name checks ($jobs at a time, $(( $(date +%s) - began )) s in all):"
  printf '%s\n' "${times[@]}" | sort -nr | sed 's/^/  /'
  if ((${#failed[@]})); then
    echo "failed: ${failed[*]}"
    return 1
  fi
  echo "all $# $name checks passed"
}
