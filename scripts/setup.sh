#!/usr/bin/env bash
# Installs what Tarvo needs that this Debian machine lacks, then configures and builds.
# Usage: scripts/setup.sh [run|test|packages]
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib.sh

build_packages=(cmake make g++ qt6-base-dev qt6-qpa-plugins libicu-dev)
# The usage history: Qt SQL's SQLite driver, a plugin loaded at run time.
build_packages+=(libqt6sql6-sqlite)
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
  run) wanted+=("${run_packages[@]}") ;;
  test | packages) wanted+=("${test_packages[@]}") ;;
  *) echo "usage: $0 [run|test|packages]   (packages: what the tests' build needs, nothing built)" >&2; exit 2 ;;
esac

need_packages "${wanted[@]}"
[ "$mode" = packages ] && exit 0

# One build/ for both, configured with the same compiler flags, so that neither rebuilds what
# the other built: warnings are errors in both, as Debian 12's compiler, which these scripts
# install, builds the project without any. The program alone first configures it without
# the tests; the tests turn them on and keep them on, and the program builds only itself.
options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVO_WERROR=ON)
if [ "$mode" = test ]; then
  options+=(-DTARVO_BUILD_TESTS=ON -DTARVO_BUILD_BENCH=ON)
elif [ ! -f build/CMakeCache.txt ]; then
  options+=(-DTARVO_BUILD_TESTS=OFF -DTARVO_BUILD_BENCH=OFF)
fi
cmake -S . -B build "${options[@]}" >/dev/null
if [ "$mode" = test ]; then
  cmake --build build -j2
else
  cmake --build build -j2 --target tarvo
fi
