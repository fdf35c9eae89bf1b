#!/usr/bin/env bash
# Builds every test with AddressSanitizer and UndefinedBehaviorSanitizer and runs the unit
# tests; the first finding fails the run. Usage: scripts/sanitize.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh packages
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DTARVO_WERROR=ON \
  -DCMAKE_CXX_FLAGS="-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer -O1" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" -DTARVO_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan -j2
cd build-asan
# Qt keeps some allocations for the life of the process; leaks are not what this run looks for.
# The unit tests only: the layering probes compile, they run nothing a sanitizer could watch,
# and the unit run builds them already.
ASAN_OPTIONS=detect_leaks=0:halt_on_error=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 -E '^Layering\.'
