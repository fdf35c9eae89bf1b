#!/usr/bin/env bash
# Runs every end-to-end check in tests/e2e/ against the built meter, each under a fresh X
# server with a window manager. Needs root (network namespaces). Installs what the checks
# use. Usage: scripts/e2e.sh [check ...]   (default: all of them)
set -euo pipefail
cd "$(dirname "$0")/.."
[ "$(id -u)" = 0 ] || { echo "scripts/e2e.sh needs root (network namespaces)"; exit 1; }
missing=()
for pair in xvfb-run:xvfb xauth:xauth openbox:openbox xdotool:xdotool xprop:x11-utils \
            ip:iproute2 ping:iputils-ping python3:python3 pgrep:procps; do
  command -v "${pair%%:*}" >/dev/null 2>&1 || missing+=("${pair#*:}")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq && apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
scripts/setup.sh test >/dev/null
program=build/src/app/tarvo

checks=("$@")
if [ ${#checks[@]} -eq 0 ]; then
  for script in tests/e2e/*.sh; do
    [ "$(basename "$script")" = netns_lib.sh ] || checks+=("$script")
  done
fi
failed=()
for check in "${checks[@]}"; do
  echo "== $check"
  start=$(date +%s)
  if timeout 900 xvfb-run -a -s "-screen 0 1280x800x24" \
       sh -c 'openbox >/dev/null 2>&1 & sleep 1; exec "$0" "$@"' "$check" "$program"; then
    echo "== $check passed in $(( $(date +%s) - start )) s"
  else
    echo "== $check FAILED after $(( $(date +%s) - start )) s"
    failed+=("$check")
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "failed: ${failed[*]}"
  exit 1
fi
echo "all ${#checks[@]} end-to-end checks passed"
