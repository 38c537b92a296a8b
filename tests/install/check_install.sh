#!/usr/bin/env bash
# Installs a build into a scratch prefix, then builds and runs a host against it twice: once
# through pkg-config and once through the CMake package, as the README tells users to.
#   check_install.sh BUILD_DIR TEST_SOURCE_DIR OVRSYNTH
set -euo pipefail
build=$1 src=$2 ovrsynth=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"

cmake --install "$build" --prefix "$prefix" >/dev/null
"$ovrsynth" -res 8 -frames 1 -start 1 -out "$work/f_####.ovr" -quiet
libdir=$(dirname "$(find "$prefix" -name 'libovrloader.so' | head -n 1)")

export PKG_CONFIG_PATH="$libdir/pkgconfig"
# shellcheck disable=SC2046
g++ -std=c++17 "$src/host.cpp" $(pkg-config --cflags --libs ovrloader) -o "$work/host-pkgconfig"
LD_LIBRARY_PATH="$libdir" "$work/host-pkgconfig" "$work/f_0001.ovr" "$(pkg-config --variable=plugindir ovrloader)"

cmake -S "$src/cmakehost" -B "$work/cmakehost" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/cmakehost" >/dev/null
"$work/cmakehost/host" "$work/f_0001.ovr" "$libdir/ovrloader"
