#!/usr/bin/env bash
# Cross-builds Tarvo for 64-bit Windows (10 and 11) into build-win/: tarvo.exe and the test
# executables (build-win/obj), the program with everything it loads (build-win/tarvo), the
# portable zip and the per-user installer. Installs the Debian packages it needs (as root).
# The Windows builds of Qt, ICU and miniupnpc come from ../shared/windows (TARVO_WINDOWS_DEPS names
# another folder); scripts/windows/recipes/ says how they are made.
# Usage: scripts/windows/build.sh
set -euo pipefail
cd "$(dirname "$0")/../.."
. scripts/lib.sh
root=$PWD
shared=${TARVO_WINDOWS_DEPS:-$root/../shared/windows}
build=$root/build-win
deps=$build/deps

need_packages cmake make xz-utils zip g++-mingw-w64-x86-64-posix qt6-base-dev-tools googletest \
  qt6-translations-l10n wine64 nsis

mkdir -p "$deps"
for archive in qt6.4.2-mingw64 icu72-mingw64 miniupnpc2.2.4-mingw64; do
  case $archive in
    qt6.4.2-mingw64) folder=qt6-mingw ;;
    miniupnpc*) folder=miniupnpc-mingw64 ;;
    *) folder=${archive%%.*} ;;
  esac
  [ -d "$deps/$folder" ] && continue
  if [ ! -f "$shared/$archive.tar.xz" ]; then
    echo "No $shared/$archive.tar.xz: make it with scripts/windows/recipes/ (see their heads)," >&2
    echo "or name its folder in TARVO_WINDOWS_DEPS." >&2
    exit 1
  fi
  tar -xJf "$shared/$archive.tar.xz" -C "$deps"
done

version=$(sed -n 's/^project(Tarvo VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
prefixes="$deps/qt6-mingw;$deps/icu72-mingw64;$deps/miniupnpc-mingw64"
cmake -S . -B "$build/obj" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DTARVO_WINDOWS_PREFIXES="$prefixes" -DCMAKE_PREFIX_PATH="$prefixes" \
  -DICU_ROOT="$deps/icu72-mingw64" -DCMAKE_BUILD_TYPE=Release -DTARVO_WERROR=ON \
  -DCMAKE_CROSSCOMPILING_EMULATOR="$root/scripts/windows/wine-run.sh" \
  -DTARVO_BUILD_TESTS=ON -DTARVO_BUILD_BENCH=OFF >/dev/null
cmake --build "$build/obj" -j2
# The test programs find Qt's plugins and Arabic texts through a qt.conf beside them, as the
# program does in its package.
mkdir -p "$deps/qt6-mingw/translations"
cp /usr/share/qt6/translations/qtbase_ar.qm "$deps/qt6-mingw/translations/"
find "$build/obj/tests" -name '*.exe' -printf '%h\n' | sort -u | while read -r dir; do
  printf '[Paths]\nPrefix=Z:%s\n' "$deps/qt6-mingw" > "$dir/qt.conf"
done

# The program with what it loads, as a Windows user gets it.
app=$build/tarvo
rm -rf "$app"
mkdir -p "$app/platforms" "$app/styles" "$app/sqldrivers" "$app/tls" "$app/translations"
cp "$build/obj/src/app/tarvo.exe" "$app/"
for module in Core Gui Widgets Network Sql; do cp "$deps/qt6-mingw/bin/Qt6$module.dll" "$app/"; done
cp "$deps/qt6-mingw/plugins/platforms/qwindows.dll" "$app/platforms/"
cp "$deps/qt6-mingw/plugins/sqldrivers/qsqlite.dll" "$app/sqldrivers/"
cp "$deps/qt6-mingw/plugins/styles/"*.dll "$app/styles/" 2>/dev/null || true
cp "$deps/qt6-mingw/plugins/tls/"*.dll "$app/tls/" 2>/dev/null || true
cp "$deps"/icu72-mingw64/bin/icu{uc,in}72.dll "$app/"
# Only the ICU data the Hijri calendar reads (0.6 MB, not 31 MB); the tests keep the full data.
scripts/windows/icu-data.sh "$app"
gcc_dir=$(dirname "$(x86_64-w64-mingw32-g++-posix -print-libgcc-file-name)")
cp "$gcc_dir/libstdc++-6.dll" "$gcc_dir/libgcc_s_seh-1.dll" /usr/x86_64-w64-mingw32/lib/libwinpthread-1.dll "$app/"
cp /usr/share/qt6/translations/qtbase_ar.qm "$app/translations/"
# Qt finds its plugins and translations beside the program.
printf '[Paths]\nPrefix=.\nPlugins=.\nTranslations=translations\n' > "$app/qt.conf"
x86_64-w64-mingw32-strip --strip-unneeded "$app"/*.exe "$app"/*.dll "$app"/*/*.dll

zip_name=tarvo-$version-windows-x64
rm -f "$build/$zip_name.zip"
(cd "$build" && rm -rf "$zip_name" && cp -r tarvo "$zip_name" && zip -qr "$zip_name.zip" "$zip_name" && rm -rf "$zip_name")
makensis -V2 -DVERSION="$version" -DSOURCE="$app" -DOUTFILE="$build/tarvo-$version-windows-x64-setup.exe" \
  scripts/windows/installer.nsi
ls -l "$build/$zip_name.zip" "$build/tarvo-$version-windows-x64-setup.exe"
du -sh "$app"
