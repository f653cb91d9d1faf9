#!/usr/bin/env bash
# Release build of the Detail view benchmark, then one run under Xvfb at 1280 x 800 and one at
# 1920 x 1080: the time to open the view, each scroll step, and the memory with the web
# processes, for a track of 720 points and one that fills the logger.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${VANDREL_BENCH_BUILD:-build/bench}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANDREL_TESTS=OFF -DVANDREL_BENCH=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target vandrel_detail_view_bench >/dev/null
for screen in 1280x800 1920x1080; do
  echo "screen $screen"
  xvfb-run -a -s "-screen 0 ${screen}x24" "$build/vandrel_detail_view_bench" 2>/dev/null
done
