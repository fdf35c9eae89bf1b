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
  echo "Installing: ${missing[*]}" >&2
  # apt's own words only when it fails; one package list per shell is enough.
  local log status=0
  log=$(mktemp)
  if [ -z "${tarvo_apt_updated:-}" ]; then
    apt-get update -qq >"$log" 2>&1 && tarvo_apt_updated=1 || status=$?
  fi
  ((status)) || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >"$log" 2>&1 || status=$?
  ((status)) && { cat "$log" >&2; echo "could not install ${missing[*]}" >&2; }
  rm -f "$log"
  return "$status"
}

# Runs a command on a fresh X server with openbox managing it. The window manager must be up
# first: a window mapped before it is never framed and misses the state changes the checks
# wait for. Usage: with_x SCREEN (as WxHxDEPTH) command [arg ...]
with_x() {
  local screen=$1
  shift
  need_packages xvfb-run:xvfb xauth:xauth openbox:openbox xprop:x11-utils || return 1
  xvfb-run -a -s "-screen 0 $screen" bash -c '. "$0" && wm_then_exec "$@"' "$tarvo_lib" "$@"
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

# Runs each check with its argument under with_x, ended after the given seconds, and says how
# each went; returns 1 when any failed. target_of is a command that prints a check's argument.
# Usage: run_checks seconds name target_of check ...   (name: what the summary calls them)
run_checks() {
  local seconds=$1 name=$2 target_of=$3 check start target failed=()
  shift 3
  for check; do
    echo "== $check"
    start=$(date +%s)
    target=$("$target_of" "$check")
    if timeout "$seconds" bash -c '. "$0" && with_x "$@"' "$tarvo_lib" "$e2e_screen" "$check" "$target"; then
      echo "== $check passed in $(( $(date +%s) - start )) s"
    else
      echo "== $check FAILED after $(( $(date +%s) - start )) s"
      failed+=("$check")
    fi
  done
  if ((${#failed[@]})); then
    echo "failed: ${failed[*]}"
    return 1
  fi
  echo "all $# $name checks passed"
}
