#!/usr/bin/env bash
# The main job on a demo logger: makes a logger image holding several days of tracks and opens
# the desktop program on it, where "Load from Device" on the Track Logs page downloads it. With
# no display (a terminal, CI) the command-line tool downloads it instead and lists the tracks.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
build=build/release
. scripts/release_flags.sh
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANDREL_TESTS=OFF >/dev/null
demo=${VANDREL_DEMO_DIR:-demo}
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  cmake --build "$build" -j"$(nproc)" --target vandrel vandrel-sim
else
  cmake --build "$build" -j"$(nproc)" --target vandrel-cli vandrel-sim
fi
mkdir -p "$demo"
"$build/vandrel-sim" create "$demo/logger.img" --tracks 6 --points 720 \
  --start 2026-06-01T07:30:00 --interval 5 --tz-offset 120
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$build/vandrel" --data-dir "$demo/program" --device "$demo/logger.img"
fi
"$build/vandrel-cli" --data-dir "$demo/program" --device "$demo/logger.img" download
"$build/vandrel-cli" --data-dir "$demo/program" tracks
