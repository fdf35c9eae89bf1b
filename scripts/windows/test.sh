#!/usr/bin/env bash
# Builds the Windows program and its tests (scripts/windows/build.sh), then runs every test
# under wine64 on Qt's offscreen platform. Usage: scripts/windows/test.sh [ctest option ...]
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
scripts/windows/build.sh
export WINEPREFIX=$PWD/build-win/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
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
(cd build-win/obj && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 --timeout 120 \
   --repeat until-pass:2 "$@") || status=$?
"$wineserver" -k || true
# Captions as the windows platform draws them, with the faces wine puts in: the offscreen
# platform has none there. On an X server of its own, with wine started afresh there.
drawn_checks() { # suite filter
  (cd "build-win/obj/tests/$1" && QT_QPA_PLATFORM=windows timeout 300 bash -c '. "$0" && x_run "$@"' \
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
