#!/usr/bin/env bash
# File exchange as whole programs, on one track of 49,900 points (a full log), against gpsbabel
# converting a GPX file of the same points, all timed in the same run:
#   vandrel-cli export gpx           vs  gpsbabel gpx->gpx   (aim: at most half its time)
#   vandrel-cli export kmz           vs  gpsbabel gpx->kml   (aim: at most a fifth)
#   vandrel-cli archive load (empty) vs  gpsbabel gpx->gpx   (aim: no slower)
# With --memory, also the time and peak memory (maximum resident set) of an archive load and
# save of 1,000,000 points (bench/archive_load_memory.sh).
# The build folder is $VANDREL_BENCH_BUILD (default build/bench), configured as Release.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
for tool in gpsbabel hyperfine time; do
  dpkg-query -W -f='${Status}' "$tool" 2>/dev/null | grep -q "install ok installed" || {
    sudo=""; [ "$(id -u)" -ne 0 ] && sudo=sudo; $sudo apt-get install -y -qq "$tool" >&2; }
done
build=${VANDREL_BENCH_BUILD:-build/bench}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANDREL_TESTS=OFF -DVANDREL_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target vandrel-cli vandrel-sim >/dev/null
cli="$build/vandrel-cli"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The GPX file gpsbabel reads is this program's own export of the track.
"$build/vandrel-sim" create "$work/full.img" --full --tracks 1 >/dev/null
"$cli" --data-dir "$work/seed" --device "$work/full.img" download 2>/dev/null
"$cli" --data-dir "$work/seed" export gpx 1 "$work/full.gpx"
"$cli" --data-dir "$work/seed" archive save "$work/full.prg" 1 >/dev/null
echo "points: $(grep -c '<trkpt' "$work/full.gpx") in the GPX file, $(grep -c '<point' "$work/full.prg") in the archive"

hyperfine --warmup 3 --runs 20 --export-csv "$work/times.csv" \
  -n "vandrel-cli export gpx" "$cli --data-dir $work/seed export gpx 1 $work/out.gpx" \
  -n "vandrel-cli export kmz" "$cli --data-dir $work/seed export kmz 1 $work/out.kmz" \
  -n "gpsbabel gpx->gpx" "gpsbabel -i gpx -f $work/full.gpx -o gpx -F $work/babel.gpx" \
  -n "gpsbabel gpx->kml" "gpsbabel -i gpx -f $work/full.gpx -o kml -F $work/babel.kml"
hyperfine --warmup 2 --runs 10 --export-csv "$work/load.csv" \
  --prepare "rm -rf $work/empty" \
  -n "vandrel-cli archive load" "$cli --data-dir $work/empty archive load $work/full.prg"

# Mean seconds of a named command from hyperfine's CSV files.
mean() { awk -F, -v name="$1" '$1 == name { print $2 }' "$work/times.csv" "$work/load.csv"; }
ratio() { awk -v a="$(mean "$1")" -v b="$(mean "$2")" -v aim="$3" \
  'BEGIN { printf "%-26s %7.1f ms / %-18s %7.1f ms = %.2f (aim: at most %s)\n", \
           ARGV[1], a * 1000, ARGV[2], b * 1000, a / b, aim }' "$1" "$2"; }
echo
ratio "vandrel-cli export gpx" "gpsbabel gpx->gpx" 0.5
ratio "vandrel-cli export kmz" "gpsbabel gpx->kml" 0.2
ratio "vandrel-cli archive load" "gpsbabel gpx->gpx" 1

if [ "${1:-}" = "--memory" ]; then
  echo
  VANDREL_BENCH_BUILD="$build" bench/archive_load_memory.sh 3
fi
