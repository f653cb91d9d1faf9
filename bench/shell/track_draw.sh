#!/usr/bin/env bash
# Release build of the track drawing benchmark, then one run under Xvfb: the time to show each
# track (seven runs, each and the median printed), and the CPU seconds of the program and its
# web process for showing each track, clearing the map and clicking a day, and in the 3 s after
# each (the medians of three runs). VANDREL_BENCH_QUICK=1 makes one run of each.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${VANDREL_BENCH_BUILD:-build/bench}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANDREL_TESTS=OFF -DVANDREL_BENCH=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target vandrel_track_draw_bench >/dev/null
# The engine's warnings stay out of the figures; the benchmark's own reason shows if it fails.
errors=$(mktemp)
trap 'rm -f "$errors"' EXIT
if ! xvfb-run -a -s "-screen 0 1280x800x24" "$build/vandrel_track_draw_bench" 2>"$errors"; then
  grep -v -e WARNING -e '^$' "$errors" >&2 || true
  exit 1
fi
