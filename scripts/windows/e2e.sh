#!/usr/bin/env bash
# Runs the end-to-end checks of the Windows build (tests/e2e/windows/) under wine, each on a
# fresh X server with a window manager, two at a time, against build-win/ as
# scripts/windows/build.sh left it (built first when missing). Needs root (network namespaces).
# Usage: scripts/windows/e2e.sh [check ...]   (default: all of them)
# TARVO_WINDOWS_BUILD names a build-win/ made elsewhere, taken as it is.
set -euo pipefail
cd "$(dirname "$0")/../.."
. scripts/lib.sh
[ "$(id -u)" = 0 ] || { echo "scripts/windows/e2e.sh needs root (network namespaces)"; exit 1; }
need_packages xvfb-run:xvfb xauth:xauth openbox:openbox xdotool:xdotool xprop:x11-utils \
  ip:iproute2 ping:iputils-ping python3:python3
if [ -n "${TARVO_WINDOWS_BUILD:-}" ]; then
  build=$(readlink -f "$TARVO_WINDOWS_BUILD")
else
  build="build-win"
  ls build-win/tarvo-*-setup.exe >/dev/null 2>&1 || scripts/windows/build.sh
fi

checks=("$@")
if [ ${#checks[@]} -eq 0 ]; then
  for script in tests/e2e/windows/*.sh; do
    [ "$(basename "$script")" = wine_lib.sh ] || checks+=("$script")
  done
fi
# The package check installs the setup program; the others run the unpacked program.
target_of() {
  case "$(basename "$1")" in
    package_*) echo "$build" ;;
    *) echo "$build/tarvo" ;;
  esac
}
run_checks 600 "Windows end-to-end" target_of "${checks[@]}"
