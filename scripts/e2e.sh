#!/usr/bin/env bash
# Runs every end-to-end check in tests/e2e/ against the built meter, each under a fresh X
# server with a window manager, two at a time (TARVO_E2E_JOBS), the longest first. Needs root
# (network namespaces). Installs what the checks use.
# Usage: scripts/e2e.sh [check ...]   (default: all of them)
# TARVO_PROGRAM names a meter built elsewhere, taken as it is instead of building build/.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib.sh
[ "$(id -u)" = 0 ] || { echo "scripts/e2e.sh needs root (network namespaces)"; exit 1; }
need_packages xvfb-run:xvfb xauth:xauth openbox:openbox xdotool:xdotool xprop:x11-utils \
  ip:iproute2 ping:iputils-ping python3:python3 pgrep:procps
if [ -n "${TARVO_PROGRAM:-}" ]; then
  program=$(readlink -f "$TARVO_PROGRAM")
else
  scripts/setup.sh test >/dev/null
  program=build/src/app/tarvo
fi

checks=("$@")
if [ ${#checks[@]} -eq 0 ]; then
  for script in tests/e2e/*.sh; do
    [ "$(basename "$script")" = netns_lib.sh ] || checks+=("$script")
  done
fi
target_of() { echo "$program"; }
run_checks 900 end-to-end target_of "${checks[@]}"
