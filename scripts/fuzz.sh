#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ with clang (AddressSanitizer and UndefinedBehaviorSanitizer)
# in build/fuzz and runs each one for the given number of seconds, one after another.
#   scripts/fuzz.sh [seconds] [target...]      (default 60 seconds, every target)
# Each target's corpus grows in build/fuzz/corpus/<target>, starting from the seeds that fuzz_seeds
# writes; an input that fails lands in build/fuzz/findings/<target>/. Copy it to
# fuzz/regressions/<target>/ once the fault is fixed, so that ctest replays it.
# Needs the Debian packages clang, libclang-rt-14-dev and time (scripts/setup.sh installs them).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
if [ $# -gt 0 ]; then
  targets=("$@")
else
  targets=()
  for f in "$root"/fuzz/*Fuzzer.cpp; do
    name=$(basename "$f" .cpp)
    targets+=("${name%Fuzzer}")
  done
fi

if ! command -v clang++ >/dev/null; then
  echo "fuzz.sh needs clang++ (Debian packages clang and libclang-rt-14-dev)" >&2
  exit 2
fi
if [ ! -x /usr/bin/time ]; then
  echo "fuzz.sh needs /usr/bin/time (Debian package time) to count CPU time" >&2
  exit 2
fi

dir="$root/build/fuzz"
CC=clang CXX=clang++ cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DOVR_FUZZ=ON -DOVR_BUILD_TESTS=OFF -DOVR_BUILD_BENCH=OFF >/dev/null
cmake --build "$dir" -j 2 --target fuzz_seeds "${targets[@]/#/fuzz_}"

rm -rf "$dir/seeds"
"$dir/fuzz/fuzz_seeds" "$dir/seeds"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
failed=()
for target in "${targets[@]}"; do
  mkdir -p "$dir/corpus/$target" "$dir/findings/$target"
  echo "== $target: $seconds s"
  # One process on one core: the machine is shared. Inputs that ask for more memory than a frame
  # of this size could need count as findings.
  status=ok
  if ! /usr/bin/time -f %U+%S -o "$dir/findings/$target.cpu" "$dir/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=3072 \
      -artifact_prefix="$dir/findings/$target/" -print_final_stats=1 \
      "$dir/corpus/$target" "$dir/seeds/$target" 2>"$dir/findings/$target.log"; then
    failed+=("$target")
    status=FAILED
  fi
  grep -E "^(Done|stat::number_of_executed_units|cov:|#[0-9]+ *DONE)" "$dir/findings/$target.log" | tail -3 || true
  # The run log: one line per run with the CPU seconds it used (user + system).
  cpu=$(tail -1 "$dir/findings/$target.cpu" | awk -F+ '{ print $1 + $2 }')
  echo "$(date -u +%FT%TZ) $target ${cpu}s $status" >>"$dir/fuzz-runs.txt"
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "findings in: ${failed[*]} (see build/fuzz/findings/)" >&2
  exit 1
fi
echo "no findings"
