#!/usr/bin/env bash
# The main job on a demo logger: makes a logger image holding several days of tracks,
# downloads it into a demo program folder and lists the stored tracks.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANDREL_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target vandrel-cli vandrel-sim
demo=${VANDREL_DEMO_DIR:-demo}
mkdir -p "$demo"
"$build/vandrel-sim" create "$demo/logger.img" --tracks 6 --points 720 \
  --start 2026-06-01T07:30:00 --interval 5 --tz-offset 120
"$build/vandrel-cli" --data-dir "$demo/program" --device "$demo/logger.img" download
"$build/vandrel-cli" --data-dir "$demo/program" tracks
