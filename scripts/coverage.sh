#!/usr/bin/env bash
# Line and branch coverage of the product code by the release test suite, per top folder.
#   scripts/coverage.sh        -> build/coverage, report in build/coverage/coverage.info
# Exception-handling branches that the compiler adds are left out of the branch figures.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir="$root/build/coverage"
"$root/scripts/setup.sh"
command -v lcov >/dev/null || { echo "lcov is missing (scripts/setup.sh installs it)" >&2; exit 1; }

cmake -S "$root" -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DOVR_BUILD_BENCH=OFF \
  -DCMAKE_C_FLAGS=--coverage -DCMAKE_CXX_FLAGS=--coverage -DCMAKE_EXE_LINKER_FLAGS=--coverage \
  -DCMAKE_SHARED_LINKER_FLAGS=--coverage -DCMAKE_MODULE_LINKER_FLAGS=--coverage >/dev/null
cmake --build "$dir" -j "$(nproc)" >/dev/null
lcov --quiet --zerocounters --directory "$dir"
ctest --test-dir "$dir" -j "$(nproc)" --timeout 900 >/dev/null || { echo "the suite fails" >&2; exit 1; }

rc=(--rc lcov_branch_coverage=1 --rc geninfo_no_exception_branch=1)
folders=(platform utils parallel compression loader converter plugins tools)
# One row: the name, then "rate (hit/total)" for lines and for branches.
summary() {
  lcov "${rc[@]}" --summary "$2" 2>&1 | awk -v name="$1" '
    /lines\.*:/    { l = $2 " " $3 "/" $5 ")" }
    /branches\.*:/ { b = $2 " " $3 "/" $5 ")" }
    END { printf "%-14s %16s %18s\n", name, l, b }'
}

lcov --quiet "${rc[@]}" --capture --directory "$dir" --base-directory "$root" --output-file "$dir/all.info" 2>/dev/null
printf '%-14s %16s %18s\n' folder "lines" "branches"
for folder in "${folders[@]}"; do
  lcov --quiet "${rc[@]}" --extract "$dir/all.info" "$root/$folder/*" --output-file "$dir/$folder.info" 2>/dev/null
  summary "$folder" "$dir/$folder.info"
done
lcov --quiet "${rc[@]}" $(printf -- "-a $dir/%s.info " "${folders[@]}") --output-file "$dir/coverage.info" 2>/dev/null
summary all "$dir/coverage.info"
