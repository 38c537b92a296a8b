#!/usr/bin/env bash
# Installs what is missing, then builds and runs the whole test suite twice:
# a normal build, and one under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" test

# Any sanitizer report fails the run.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1:strict_string_checks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

for flavour in release asan; do
  echo "== $flavour build"
  "$root/scripts/build.sh" "$flavour"
  echo "== $flavour tests"
  ctest --test-dir "$root/build/$flavour" --output-on-failure -j "$(nproc)" --timeout 600
done

# Windows: ovrloader.dll and its test suite, cross-built with mingw-w64 and run under Wine.
echo "== windows build and tests"
"$root/scripts/test-windows.sh"
