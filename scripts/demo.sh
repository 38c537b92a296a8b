#!/usr/bin/env bash
# The main job end to end: installs what is missing, builds, writes a sample sequence of
# 12 plume frames at 96^3 with ovrsynth, converts it to OpenVDB with cacheconv, and shows
# what was written.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" release

bin="$root/build/release"
out="$root/out/demo"
rm -rf "$out" && mkdir -p "$out"

echo "== Writing 12 sample frames (96^3) to $out"
"$bin/tools/ovrsynth/ovrsynth" -res 96 -frames 12 -start 1 -out "$out/plume_####.ovr"

echo "== Converting them to OpenVDB"
"$bin/converter/cacheconv" -srcfile "$out/plume_####.ovr" -dstfile "$out/plume_####.vdb" -start 1 -end 12 -threads 0

echo "== One source frame"
"$bin/tools/ovrinfo/ovrinfo" "$out/plume_0006.ovr"

if command -v vdb_print >/dev/null 2>&1; then
  echo "== One converted frame"
  vdb_print -l "$out/plume_0006.vdb"
fi
