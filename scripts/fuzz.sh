#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, AddressSanitizer and UndefinedBehaviorSanitizer,
# and runs each on a copy of its seed corpus under tests/fuzz/<name>/.
# Usage: scripts/fuzz.sh [seconds per target, default 60] [target ...]
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib.sh
seconds=${1:-60}
shift $(( $# > 0 ? 1 : 0 ))
need_packages clang libclang-rt-14-dev
scripts/setup.sh packages
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -g -O1"
cmake -S . -B build-fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=Debug -DTARVO_WERROR=ON -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DTARVO_BUILD_TESTS=OFF -DTARVO_BUILD_BENCH=OFF -DTARVO_BUILD_FUZZ=ON >/dev/null
targets=${*:-$(sed -n 's/^tarvo_fuzz_target(\(fuzz_[a-z_]*\).*/\1/p' tests/fuzz/CMakeLists.txt)}
cmake --build build-fuzz -j2 --target $targets
# Two at a time, one a core; each one's output is printed whole when it ends.
jobs=${TARVO_FUZZ_JOBS:-2}
fuzz_one() { # target
  local target=$1 corpus status=0 dict=()
  corpus=$(mktemp -d)
  cp -r "tests/fuzz/${target#fuzz_}/." "$corpus/"
  echo "== $target, $seconds s"
  [ -f "tests/fuzz/${target#fuzz_}.dict" ] && dict=(-dict="tests/fuzz/${target#fuzz_}.dict")
  if ! build-fuzz/tests/fuzz/$target "${dict[@]}" -max_total_time="$seconds" -max_len=65536 \
      -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="build-fuzz/findings/$target-" "$corpus" > "$corpus.log" 2>&1; then
    tail -40 "$corpus.log"
    status=1
  else
    tail -12 "$corpus.log"
  fi
  rm -rf "$corpus" "$corpus.log"
  return $status
}
# A finding is kept under build-fuzz/findings/ for the regression test.
mkdir -p build-fuzz/findings
logs=$(mktemp -d)
status=0
declare -A target_of=()
finish() { # waits for one run to end and prints its output
  local pid
  wait -n -p pid "${!target_of[@]}" || status=1
  cat "$logs/${target_of[$pid]}"
  unset "target_of[$pid]"
}
for target in $targets; do
  ((${#target_of[@]} < jobs)) || finish
  fuzz_one "$target" >"$logs/$target" 2>&1 &
  target_of[$!]=$target
done
while ((${#target_of[@]})); do finish; done
rm -rf "$logs"
exit $status
