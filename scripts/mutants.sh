#!/usr/bin/env bash
# Mutation run: applies each mutant of scripts/mutants.jsonl to the product code in turn, rebuilds
# build/mutants incrementally and runs the release suite; prints killed / survived / timed out and
# the survivors. Takes about an hour; not part of CI. Arguments go to `mutants.py run`
# (--timeout SECONDS, --only 3,17, --report FILE); `mutants.py compare A.json B.json` compares runs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
exec python3 "$root/scripts/mutants.py" run "$@"
