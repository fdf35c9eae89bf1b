#!/usr/bin/env bash
# Runs the end-to-end checks of the Windows build (tests/e2e/windows/) under wine, each on a
# fresh X server with a window manager, against build-win/ as scripts/windows/build.sh left
# it (built first when missing). Needs root (network namespaces).
# Usage: scripts/windows/e2e.sh [check ...]   (default: all of them)
set -euo pipefail
cd "$(dirname "$0")/../.."
[ "$(id -u)" = 0 ] || { echo "scripts/windows/e2e.sh needs root (network namespaces)"; exit 1; }
missing=()
for pair in xvfb-run:xvfb xauth:xauth openbox:openbox xdotool:xdotool xprop:x11-utils \
            ip:iproute2 ping:iputils-ping python3:python3; do
  command -v "${pair%%:*}" >/dev/null 2>&1 || missing+=("${pair#*:}")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq && apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
ls build-win/tarvo-*-setup.exe >/dev/null 2>&1 || scripts/windows/build.sh

checks=("$@")
if [ ${#checks[@]} -eq 0 ]; then
  for script in tests/e2e/windows/*.sh; do
    [ "$(basename "$script")" = wine_lib.sh ] || checks+=("$script")
  done
fi
failed=()
for check in "${checks[@]}"; do
  case "$(basename "$check")" in
    package_*) target=build-win ;;
    *) target=build-win/tarvo ;;
  esac
  echo "== $check"
  start=$(date +%s)
  if timeout 600 xvfb-run -a -s "-screen 0 1280x800x24" \
       sh -c 'openbox >/dev/null 2>&1 & sleep 1; exec "$0" "$@"' "$check" "$target"; then
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
echo "all ${#checks[@]} Windows end-to-end checks passed"
