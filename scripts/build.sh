#!/usr/bin/env bash
# Configures and builds one flavour of the project.
#   scripts/build.sh [release|asan|run]   (default release) -> build/<flavour>
# run is the release build of the programs, the library, its plug-ins and the Python module alone,
# without tests and benchmarks: what `scripts/setup.sh run` installs suffices for it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
flavour=${1:-release}
case "$flavour" in
  release) extra=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
  asan)    extra=(-DCMAKE_BUILD_TYPE=Debug -DOVR_SANITIZE=ON -DOVR_BUILD_BENCH=OFF) ;;
  run)     extra=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DOVR_BUILD_TESTS=OFF -DOVR_BUILD_BENCH=OFF) ;;
  *) echo "unknown flavour: $flavour (release, asan or run)" >&2; exit 2 ;;
esac
dir="$root/build/$flavour"
cmake -S "$root" -B "$dir" -G Ninja "${extra[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)"
