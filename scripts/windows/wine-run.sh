#!/usr/bin/env bash
# Runs a cross-built Windows program under wine64 with the Windows Qt's and ICU's DLLs and
# plugins found, in the build's own wine prefix. Used as the tests' emulator.
# Usage: scripts/windows/wine-run.sh program.exe [argument ...]
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
build=${TARVO_WINDOWS_BUILD:-$here/build-win}
deps=$build/deps
export WINEPREFIX=${WINEPREFIX:-$build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
gcc_dir=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
export WINEPATH="Z:$deps/qt6-mingw/bin;Z:$deps/icu72-mingw64/bin;Z:$gcc_dir;Z:/usr/x86_64-w64-mingw32/lib"
export QT_PLUGIN_PATH="Z:$deps/qt6-mingw/plugins"
# Wine keeps QT_* variables from Windows programs: the tests' main takes them back from these.
while IFS='=' read -r name value; do
  if [[ $name == QT_* ]]; then export "TARVO_WINE_$name=$value"; fi
done < <(env)
# Debian's wine64 package keeps its loader out of PATH.
wine=${WINE:-/usr/lib/wine/wine64}
# ctest lists a suite's tests before it runs any, and one failed listing ends the whole run.
# Once in a long while wine ends a program with 1 before its first line on a busy machine,
# so a listing is tried three times; a program that fails each time still fails.
if [[ " $* " == *" --gtest_list_tests "* ]]; then
  for try in 1 2 3; do
    status=0
    listing=$("$wine" "$@") || status=$?
    [ "$status" = 0 ] && break
    echo "wine-run.sh: listing $1 ended with $status (try $try of 3)" >&2
  done
  printf '%s\n' "$listing"
  exit "$status"
fi
exec "$wine" "$@"
