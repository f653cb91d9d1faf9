#!/usr/bin/env bash
# Release build of the start-up benchmark, then seven runs under Xvfb; prints each run and
# the medians.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${VANDREL_BENCH_BUILD:-build/bench}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANDREL_TESTS=OFF -DVANDREL_BENCH=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target vandrel_startup_bench >/dev/null
runs=$(mktemp)
trap 'rm -f "$runs"' EXIT
for _ in 1 2 3 4 5 6 7; do
  xvfb-run -a -s "-screen 0 1280x800x24" "$build/vandrel_startup_bench" 2>/dev/null | tee -a "$runs"
done
median() { awk -v c="$1" '{ print $c }' "$runs" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
echo "median: first page $(median 2) ms, all pages $(median 4) ms," \
  "RSS $(median 6) kB, with web processes $(median 8) kB"
