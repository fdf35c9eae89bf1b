#!/usr/bin/env bash
# Builds the Windows program and its tests (scripts/windows/build.sh), then runs every test
# under wine64 on Qt's offscreen platform. Usage: scripts/windows/test.sh [ctest option ...]
# TARVO_WINDOWS_BUILD names a build-win/ made already, taken as it is: nothing in it is built or
# packed again, so that the end-to-end checks may use its program meanwhile.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
if [ -n "${TARVO_WINDOWS_BUILD:-}" ]; then
  build=$(readlink -f "$TARVO_WINDOWS_BUILD")
else
  build=$root/build-win
  scripts/windows/build.sh
fi
export TARVO_WINDOWS_BUILD=$build
export WINEPREFIX=$build/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Wine's own services hold ctest's output open unless wine is already running when ctest
# starts; it is ended afterwards.
wineserver=/usr/lib/wine/wineserver64
mkdir -p "$WINEPREFIX" # the server starts in it; wineboot fills it on a fresh clone
"$wineserver" -p
scripts/windows/wine-run.sh wineboot -u >/dev/null 2>&1 || true
status=0
# Now and then a test program under wine never ends after its last test (a hang in wine's
# process exit, seen on programs of any kind, even one whose only test skipped at once): the
# timeout ends it and it runs once more.
(cd "$build/obj" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 --timeout 120 \
   --repeat until-pass:2 "$@") || status=$?
"$wineserver" -k || true
# Captions as the windows platform draws them, with the faces wine puts in: the offscreen
# platform has none there. On an X server of its own, with wine started afresh there.
drawn_checks() { # suite filter
  (cd "$build/obj/tests/$1" && QT_QPA_PLATFORM=windows timeout 300 bash -c '. "$0" && x_run "$@"' \
     "$root/scripts/lib.sh" 1366x768x24 "$root/scripts/windows/wine-run.sh" "./tarvo_$1_tests.exe" \
     --gtest_filter="$2") || status=$?
  "$wineserver" -k 2>/dev/null || true
}
if [ $# -eq 0 ]; then
  drawn_checks news 'FrmRssTest.CaptionsWholeAsDrawn*:FrmRssTest.TopRowButtons*'
  drawn_checks app 'Desktop.EveryControlSeenWhole*:frmMain.StripCaptionsGrow*:UsageWiring.*'
  drawn_checks calendar 'HijriWindow.ShowsALongDateLineWhole:HijriWindow.ControlsAreSeenWhole*'
  drawn_checks common 'CaptionNeedsCache.*'
fi
"$wineserver" -k 2>/dev/null || true
exit "$status"
