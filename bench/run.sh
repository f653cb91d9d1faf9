#!/usr/bin/env bash
# Release build of the benchmarks, then:
#  - the decode, store and exchange benchmarks (Google Benchmark);
#  - the pages' own work on the headless backend (track page, profile chart, settings form);
#  - the whole `vandrel-cli download` of a full-log image into a new program folder as a
#    process, against gpsbabel converting a GPX file of the same 49,900 points, timed in the
#    same run (aim: at most 0.3 of gpsbabel's time).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
for tool in gpsbabel hyperfine; do
  if ! command -v "$tool" >/dev/null; then
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    $sudo apt-get install -y -qq "$tool" >&2
  fi
done
build=build/bench
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANDREL_TESTS=OFF -DVANDREL_BENCH=ON >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null
"$build/vandrel_bench" --benchmark_min_time=0.5 "$@"
"$build/vandrel_tracks_bench" --benchmark_min_time=0.5 "$@"
"$build/vandrel_app_bench" --benchmark_min_time=0.5 "$@"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# One track filling the whole log: 998 chunks, 49,900 fixes. The GPX file of the same points
# for gpsbabel is this program's own export of it.
"$build/vandrel-sim" create "$work/full.img" --full --tracks 1 >/dev/null
"$build/vandrel-cli" --data-dir "$work/seed" --device "$work/full.img" download 2>/dev/null
"$build/vandrel-cli" --data-dir "$work/seed" export gpx 1 "$work/full.gpx"
echo "points in the GPX file: $(grep -c '<trkpt' "$work/full.gpx")"
hyperfine --warmup 2 --runs 15 --export-csv "$work/times.csv" \
  --prepare "rm -rf $work/program" \
  -n "vandrel-cli download (full log)" \
  "$build/vandrel-cli --data-dir $work/program --device $work/full.img download" \
  -n "gpsbabel gpx->gpx (same points)" \
  "gpsbabel -i gpx -f $work/full.gpx -o gpx -F $work/out.gpx"
awk -F, '$1 == "vandrel-cli download (full log)" { a = $2 } $1 == "gpsbabel gpx->gpx (same points)" { b = $2 }
  END { printf "download %.1f ms / gpsbabel %.1f ms = %.2f (aim: at most 0.3)\n", a * 1000, b * 1000, a / b }' \
  "$work/times.csv"
