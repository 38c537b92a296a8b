#!/usr/bin/env bash
# The main job end to end: installs what is missing, builds, writes a sample sequence of
# 12 plume frames at 96^3 with ovrsynth, converts it to OpenVDB with cacheconv (the default
# layout, and the blender layout sparse and half beside it, with the sizes of both), shows what
# was written and draws a preview of one frame and a contact sheet of the sequence. It installs and
# builds only what the main job needs: no tests or benchmarks (build/run).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh" run
"$root/scripts/build.sh" run

bin="$root/build/run"
out="$root/out/demo"
rm -rf "$out" && mkdir -p "$out/blender"

echo "== Writing 12 sample frames (96^3) to $out"
"$bin/tools/ovrsynth/ovrsynth" -res 96 -frames 12 -start 1 -out "$out/plume_####.ovr"

echo "== Converting them to OpenVDB"
"$bin/converter/cacheconv" -srcfile "$out/plume_####.ovr" -dstfile "$out/plume_####.vdb" -start 1 -end 12 -threads 0

echo "== One source frame"
"$bin/tools/ovrinfo/ovrinfo" "$out/plume_0006.ovr"

echo "== Converting them again for Blender: named grids, sparse, 16-bit floats"
"$bin/converter/cacheconv" -layout blender -sparse -half -threads 0 -silent \
  -srcfile "$out/plume_####.ovr" -dstfile "$out/blender/plume_####.vdb" -start 1 -end 12

echo "== Sizes"
total() { du -cb "$@" | tail -1 | cut -f1; }
printf '%-44s %12s bytes\n' ".ovr sources" "$(total "$out"/plume_*.ovr)" \
  "default .vdb (Smoke_fmr ..., dense)" "$(total "$out"/plume_*.vdb)" \
  "-layout blender -sparse -half" "$(total "$out"/blender/plume_*.vdb)"

if command -v vdb_print >/dev/null 2>&1; then
  echo "== One converted frame"
  vdb_print -l "$out/plume_0006.vdb"
  echo "== The same frame for Blender"
  vdb_print "$out/blender/plume_0006.vdb"
fi

echo "== Pictures: the last frame seen from the front, and the whole sequence"
"$bin/tools/ovrinfo/ovrinfo" -preview "$out/plume_0012.png" "$out/plume_0012.ovr"
"$bin/tools/ovrinfo/ovrinfo" -preview "$out/plume_sheet.png" "$out/plume_####.ovr"
