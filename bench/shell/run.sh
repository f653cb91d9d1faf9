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
awk '{ f[NR] = $2; a[NR] = $4; r[NR] = $6; t[NR] = $8 }
     END { n = asort(f); asort(a); asort(r); asort(t); m = int((n + 1) / 2);
           printf "median: first page %d ms, all pages %d ms, RSS %d kB, with web processes %d kB\n",
                  f[m], a[m], r[m], t[m] }' "$runs"
