#!/usr/bin/env bash
# Set-up, build and the whole test suite. With --sanitize: the same under AddressSanitizer and
# UndefinedBehaviorSanitizer in build-asan/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
if [ "${1:-}" = "--sanitize" ]; then
  dir=build-asan
  bash scripts/build.sh "$dir" -DVELLO_SANITIZE=ON -DVELLO_BENCH=OFF
  export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
else
  dir=build
  bash scripts/build.sh "$dir"
fi
cd "$dir"
ctest --output-on-failure -j2 --timeout 600
