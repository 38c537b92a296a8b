#!/usr/bin/env bash
# Installs the Debian packages of one set, only those that are missing.
#   scripts/setup.sh [run|test]   (default test)
#   run   what building and running the programs, the library and the Python module needs
#         (scripts/demo.sh; the build without tests and benchmarks)
#   test  run, and what only the tests, benchmarks, coverage and the Windows cross-build use
# Idempotent and non-interactive; run as root (or with sudo available).
set -euo pipefail

run_packages=(
  build-essential cmake ninja-build pkg-config
  zlib1g-dev libpng-dev libhdf5-dev
  libopenvdb-dev libopenvdb-tools libboost-dev libboost-iostreams-dev libtbb-dev libblosc-dev libimath-dev
  python3-dev pybind11-dev python3-numpy python3-distributed python3-tqdm
)
test_packages=(
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  python3-pytest python3-openvdb blender
  mingw-w64 g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine64 clang lld libclang-rt-14-dev time lcov
)

case "${1:-test}" in
  run) packages=("${run_packages[@]}") ;;
  test) packages=("${run_packages[@]}" "${test_packages[@]}") ;;
  *) echo "setup.sh: unknown set \"$1\" (run or test)" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
echo "Installing: ${missing[*]}"
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
