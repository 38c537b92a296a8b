#!/usr/bin/env bash
# Configures and builds one flavour of the project.
#   scripts/build.sh [release|asan]   (default release) -> build/<flavour>
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
flavour=${1:-release}
case "$flavour" in
  release) extra=(-DCMAKE_BUILD_TYPE=RelWithDebInfo) ;;
  asan)    extra=(-DCMAKE_BUILD_TYPE=Debug -DOVR_SANITIZE=ON -DOVR_BUILD_BENCH=OFF) ;;
  *) echo "unknown flavour: $flavour (release or asan)" >&2; exit 2 ;;
esac
dir="$root/build/$flavour"
cmake -S "$root" -B "$dir" -G Ninja "${extra[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)"
