#!/usr/bin/env bash
# The Windows program's date window, news reader and usage window under wine, placed as the
# Linux check wants them (tests/e2e/windows_beside_strip_under_x.sh), on the same three screens.
# Takes about 240 s.
# Usage: tests/e2e/windows/windows_beside_strip_under_wine.sh build-win/tarvo
set -euo pipefail
folder=$(readlink -f "${1:-build-win/tarvo}")
exec "$(dirname "$(readlink -f "$0")")/../windows_beside_strip_under_x.sh" "$folder/tarvo.exe"
