#!/usr/bin/env bash
# Makes a small icudt72.dll holding only the ICU data that Tarvo's Umm al-Qura calendar reads,
# in place of ICU's full 31 MB data DLL. The calendar's month table is compiled into icuin72.dll;
# the data only gives the calendar its locale and week settings (first day, minimal days).
# The data comes from Debian's libicu72 (the same ICU 72.1 data, little-endian ASCII, as the
# Windows build); icupkg and genccode come from icu-devtools, the linker from MinGW-w64.
# Installs icu-devtools, binutils and gcc-mingw-w64-x86-64-posix if missing (as root).
# Usage: scripts/windows/icu-data.sh OUTPUT_FOLDER
set -euo pipefail
if [ $# -ne 1 ]; then
  echo "Usage: $0 OUTPUT_FOLDER" >&2
  exit 2
fi
out=$1

. "$(dirname "$0")/../lib.sh"
need_packages icu-devtools binutils gcc-mingw-w64-x86-64-posix

# The Windows DLLs are ICU 72.1; data of another release could disagree with their code.
icu_version=$(dpkg-query -W -f='${Version}' libicu72)
case $icu_version in
  72.1-*) ;;
  *) echo "libicu72 is $icu_version, not ICU 72.1" >&2; exit 1 ;;
esac

# What the calendar reads, found by removing items one at a time and comparing its results
# and settings with those under the full data:
# - en_US, en, root: the calendar's locale bundles (en_US is the valid locale, en the actual);
# - pool: the keys those bundles share;
# - likelySubtags: "en" has no region, US comes from here (else the week starts on Monday);
# - supplementalData: weekData (else ICU falls back with a warning).
keep=(root.res en.res en_US.res pool.res likelySubtags.res supplementalData.res)

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# The data is the icudt72_dat symbol's bytes; the ELF symbol gives its address and size, its
# section the file offset.
lib=/usr/lib/x86_64-linux-gnu/libicudata.so.72
read -r address size section < <(readelf -W --dyn-syms "$lib" |
  awk '$8 == "icudt72_dat" { print $2, $3, $7 }') || { echo "No icudt72_dat in $lib" >&2; exit 1; }
read -r section_address section_offset < <(readelf -W -S "$lib" |
  sed -n "s/^ *\[ *$section\] *[^ ]* *[A-Z_]* *\([0-9a-f]*\) \([0-9a-f]*\) .*/\1 \2/p")
offset=$((0x$address - 0x$section_address + 0x$section_offset))
# icupkg wants the file named after the package, the prefix of its items.
dd if="$lib" of="$tmp/icudt72l.dat" iflag=skip_bytes,count_bytes skip="$offset" count="$((size))" \
  status=none
mkdir "$tmp/small"

icupkg -l "$tmp/icudt72l.dat" > "$tmp/items.txt"
printf '%s\n' "${keep[@]}" > "$tmp/keep.txt"
grep -vxF -f "$tmp/keep.txt" "$tmp/items.txt" > "$tmp/remove.txt"
# Each kept item must be there; icupkg itself refuses an item whose dependency was removed.
if [ "$(grep -cxF -f "$tmp/keep.txt" "$tmp/items.txt")" -ne "${#keep[@]}" ]; then
  echo "Not all of ${keep[*]} are in $lib" >&2
  exit 1
fi
icupkg -r "$tmp/remove.txt" "$tmp/icudt72l.dat" "$tmp/small/icudt72l.dat" >/dev/null

# ICU's code finds its data through the one export icudt72_dat, as in the full DLL.
genccode -q -a gcc-mingw64 -e icudt72 -d "$tmp" "$tmp/small/icudt72l.dat"
mkdir -p "$out"
# No time stamp and a fixed base (the automatic one hashes the output path): the same bytes
# every time.
x86_64-w64-mingw32-gcc-posix -shared -s -Wl,--no-insert-timestamp,--disable-auto-image-base \
  -o "$out/icudt72.dll" "$tmp/icudt72l_dat.S"
