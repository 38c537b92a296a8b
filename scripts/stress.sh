#!/usr/bin/env bash
# Builds the concurrency stress test (tests/stress) under ThreadSanitizer in build/tsan and runs it:
# host threads open, read and release the frames of one sequence at once, with the built-in thread
# manager registered. Any data race report, or a read that differs from a single-threaded one,
# fails the run. Only the stress test and what it links are built, so this stays a few minutes.
#   scripts/stress.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir="$root/build/tsan"
cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOVR_TSAN=ON -DOVR_BUILD_BENCH=OFF >/dev/null
cmake --build "$dir" -j "$(nproc)" --target test_stress
TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1:second_deadlock_stack=1} "$dir/tests/stress/test_stress"
