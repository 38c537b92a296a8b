#!/usr/bin/env bash
# Builds ovrloader.dll, cacheconv.exe, vdbbridge_x64.dll and the Windows test suite with mingw-w64
# (cmake/mingw-w64-x86_64.cmake) into build/windows, on the static OpenVDB of
# scripts/build-windows-deps.sh, and runs the suite under Wine, headless, in a prefix of its own
# (build/windows/wineprefix, created on the first run). The Linux cacheconv (build/release) is
# built too: the Windows one's files must match its files.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir="$root/build/windows"

wine=$(command -v wine64 || true)
[ -z "$wine" ] && [ -x /usr/lib/wine/wine64 ] && wine=/usr/lib/wine/wine64
[ -z "$wine" ] && wine=$(command -v wine || true)
if [ -z "$wine" ]; then
  echo "wine64 is not installed (scripts/setup.sh installs it)" >&2
  exit 1
fi

deps=$("$root/scripts/build-windows-deps.sh")
linux="$root/build/release"
[ -f "$linux/build.ninja" ] || cmake -S "$root" -B "$linux" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$linux" --target cacheconv -j "$(nproc)"

cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" -DOVR_WINE="$wine" \
  -DOVR_WINDOWS_DEPS="$deps" -DOVR_LINUX_CACHECONV="$linux/converter/cacheconv" >/dev/null
cmake --build "$dir" --target windows_tests dist_windows -j "$(nproc)"
# The folder a Windows user gets holds the three files and needs only system DLLs.
[ "$(ls "$dir/dist/windows" | tr '\n' ' ')" = "cacheconv.exe ovrloader.dll vdbbridge_x64.dll " ]
for file in "$dir"/dist/windows/*; do
  if x86_64-w64-mingw32-objdump -p "$file" | grep "DLL Name" | grep -viqE "KERNEL32|msvcrt|USER32"; then
    echo "$file needs a DLL that Windows does not have" >&2
    exit 1
  fi
done

# Console programs need no display; Wine's .NET and HTML engines are not needed either.
export WINEPREFIX="$dir/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "== creating the Wine prefix $WINEPREFIX"
  "$wine" wineboot -i >/dev/null 2>&1
fi

ctest --test-dir "$dir" --output-on-failure -j "$(nproc)" --timeout 300
