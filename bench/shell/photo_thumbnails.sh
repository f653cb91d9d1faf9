#!/usr/bin/env bash
# Release build of the thumbnails benchmark, then one run: the window's longest still moment
# while 100 photos of 12 megapixels get their thumbnails, against decoding them on the UI
# thread, and the wait when the preview closes meanwhile.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${VANDREL_BENCH_BUILD:-build/bench}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANDREL_TESTS=OFF -DVANDREL_BENCH=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target vandrel_photo_thumbnails_bench >/dev/null
"$build/vandrel_photo_thumbnails_bench"
