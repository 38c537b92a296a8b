#!/usr/bin/env bash
# Converts one plume frame in every layout and has Blender open and render the files.
#   check_blender.sh BLENDER OVRSYNTH CACHECONV VOLUME_CHECK_PY
set -euo pipefail
blender=$1 ovrsynth=$2 cacheconv=$3 check=$4
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
"$ovrsynth" -res 40 -frames 1 -start 12 -quiet -out "$dir/plume_####.ovr"
for layout in fumara houdini blender; do
  "$cacheconv" -silent -layout "$layout" -srcfile "$dir/plume_0012.ovr" -dstfile "$dir/$layout.vdb"
done
"$cacheconv" -silent -layout blender -sparse -half -srcfile "$dir/plume_0012.ovr" -dstfile "$dir/blender_sparse_half.vdb"
status=0
"$blender" -b --factory-startup --python-exit-code 1 --python "$check" -- "$dir" >"$dir/blender.log" 2>&1 || status=$?
# Only the checks' lines and errors, without Blender's chatter.
grep -E "^(check|Traceback|  |Error|[A-Za-z]*Error)" "$dir/blender.log" || true
exit "$status"
