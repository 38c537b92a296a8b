#!/usr/bin/env bash
# Builds the release flavour and runs the benchmarks, each against the baseline it names:
#   codec   - table decoder vs. a literal bit-at-a-time decoder and memcpy; zone tables on the pool
#   loader  - reading and expanding a 160^3 frame vs. decoding the same blocks with the codec alone
#   vdbfill - the leaf-buffer fill vs. a per-voxel accessor fill and OpenVDB's own file write
#   scripts/bench.sh [codec|loader|vdbfill ...]   (default: all three)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" release
benches=("$@")
[ ${#benches[@]} -eq 0 ] && benches=(codec loader vdbfill)
for b in "${benches[@]}"; do
  echo "== bench_$b"
  "$root/build/release/bench/$b/bench_$b"
done
