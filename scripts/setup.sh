#!/usr/bin/env bash
# Installs what Tarvo needs that this Debian machine lacks, then configures and builds.
# Usage: scripts/setup.sh [run|test]
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib.sh

build_packages=(cmake make g++ qt6-base-dev qt6-qpa-plugins libicu-dev)
# The usage history: Qt SQL's SQLite driver, a plugin loaded at run time.
build_packages+=(libqt6sql6-sqlite)
# Finding the home router on the LAN (SSDP), with pkg-config to find it.
build_packages+=(libminiupnpc-dev pkg-config)
test_packages=(libgtest-dev libgmock-dev libbenchmark-dev fonts-liberation fonts-noto-core fonts-dejavu-core
  xdg-utils desktop-file-utils qt6-translations-l10n appstream)
# A private session bus for the desktop-notification test.
test_packages+=(dbus-daemon)
# Fonts that stand in for Arial and cover Arabic, so captions are shaped, never boxes.
run_packages=(fonts-liberation fonts-noto-core fonts-dejavu-core)
# Qt's own Arabic texts for the standard buttons of message boxes.
run_packages+=(qt6-translations-l10n)
run_packages+=(libqt6sql6-sqlite)

wanted=("${build_packages[@]}")
mode=${1:-test}
case "$mode" in
  run) wanted+=("${run_packages[@]}"); with_tests=OFF ;;
  test) wanted+=("${test_packages[@]}"); with_tests=ON ;;
  *) echo "usage: $0 [run|test]" >&2; exit 2 ;;
esac

need_packages "${wanted[@]}"

# Warnings are errors where the tests are built, not in a build only to run the program.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVO_WERROR=$with_tests \
  -DTARVO_BUILD_TESTS=$with_tests -DTARVO_BUILD_BENCH=$with_tests >/dev/null
cmake --build build -j2
