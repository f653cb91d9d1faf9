#!/usr/bin/env bash
# Release build of the map source benchmark, then one run under Xvfb at 1280 x 800 and one at
# 1920 x 1080: the time from choosing another map to its tiles on screen, with a track of
# 49,900 points shown, and whether the track's line stayed the same layer.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${VANDREL_BENCH_BUILD:-build/bench}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANDREL_TESTS=OFF -DVANDREL_BENCH=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target vandrel_map_switch_bench >/dev/null
# The engine's warnings stay out of the figures; the benchmark's own reason shows if it fails.
errors=$(mktemp)
trap 'rm -f "$errors"' EXIT
for screen in 1280x800 1920x1080; do
  echo "screen $screen"
  if ! xvfb-run -a -s "-screen 0 ${screen}x24" "$build/vandrel_map_switch_bench" 2>"$errors"; then
    grep -v -e WARNING -e '^$' "$errors" >&2 || true
    exit 1
  fi
done
