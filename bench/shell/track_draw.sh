#!/usr/bin/env bash
# Release build of the track drawing benchmark, then one run under Xvfb: each track shown seven
# times, with each time and the median printed.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${VANDREL_BENCH_BUILD:-build/bench}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANDREL_TESTS=OFF -DVANDREL_BENCH=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target vandrel_track_draw_bench >/dev/null
xvfb-run -a -s "-screen 0 1280x800x24" "$build/vandrel_track_draw_bench" 2>/dev/null
