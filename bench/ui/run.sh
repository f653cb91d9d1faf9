#!/usr/bin/env bash
# Release build of the view layer's benchmarks, then the model benchmarks and the renderer
# benchmark under Xvfb.
set -euo pipefail
cd "$(dirname "$0")/../.."
scripts/deps.sh
build=build/bench
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANDREL_TESTS=OFF -DVANDREL_BENCH=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target vandrel_ui_bench vandrel_render_bench >/dev/null
"$build/vandrel_ui_bench" --benchmark_min_time=0.5 "$@"
xvfb-run -a -s "-screen 0 1280x800x24" "$build/vandrel_render_bench"
