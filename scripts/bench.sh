#!/usr/bin/env bash
# Builds the release flavour and runs the benchmarks, each against the baseline it names:
#   codec   - table decoder vs. a literal bit-at-a-time decoder and memcpy; zone tables on the pool
#   loader  - reading and expanding a 160^3 frame vs. decoding the same blocks with the codec alone
#   vdbfill - the leaf-buffer fill vs. a per-voxel accessor fill and OpenVDB's own file write
#   convert - cacheconv's frame loop on 256^3, 96^3 and 512^3 frames: frames in flight vs. one
#             after another, stage times, output sizes, first vs. second decode, peak memory
#   python  - frame["smoke"] in the Python module vs. the C++ loader's getChannelData (256^3)
#   scripts/bench.sh [codec|loader|vdbfill|convert|python ...]   (default: all five)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" release
benches=("$@")
[ ${#benches[@]} -eq 0 ] && benches=(codec loader vdbfill convert python)
for b in "${benches[@]}"; do
  echo "== bench_$b"
  if [ "$b" = python ]; then
    /usr/bin/python3 "$root/bench/python/frame_access.py" "$root/build/release"
  else
    "$root/build/release/bench/$b/bench_$b"
  fi
done
