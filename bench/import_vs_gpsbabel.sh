#!/usr/bin/env bash
# Importing track files as whole programs, all timed in the same run:
#   vandrel-cli import of a GPX of one track of 49,900 points (a full log, exported by the
#   program itself) into an empty folder  vs  gpsbabel -i gpx -f X -o gpx -F Y on the same file
#   (aim: at most half its time);
#   the time and peak memory (maximum resident set) of importing a GPX of 1,000,000 points in
#   20 tracks (aim: under 100 MB).
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
"$build/vandrel-sim" create "$work/full.img" --full --tracks 1 >/dev/null
"$cli" --data-dir "$work/seed" --device "$work/full.img" download 2>/dev/null
"$cli" --data-dir "$work/seed" export gpx 1 "$work/full.gpx"
echo "points: $(grep -c '<trkpt' "$work/full.gpx") in the GPX file"

hyperfine --warmup 2 --runs 10 --export-csv "$work/times.csv" \
  --prepare "rm -rf $work/empty" \
  -n "vandrel-cli import" "$cli --data-dir $work/empty import $work/full.gpx" \
  -n "gpsbabel gpx->gpx" "gpsbabel -i gpx -f $work/full.gpx -o gpx -F $work/babel.gpx"
mean() { awk -F, -v n="$2" '$1 == n { print $2 }' "$1"; }
import=$(mean "$work/times.csv" "vandrel-cli import")
babel=$(mean "$work/times.csv" "gpsbabel gpx->gpx")
echo "import $import s, gpsbabel $babel s: ratio $(awk -v a="$import" -v b="$babel" 'BEGIN { printf "%.2f", a / b }') (aim <= 0.5)"

# 1,000,000 points: 20 tracks of 50,000 points a second apart, a day apart.
awk 'BEGIN {
  print "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
  print "<gpx version=\"1.1\" xmlns=\"http://www.topografix.com/GPX/1/1\">"
  for (t = 0; t < 20; t++) {
    print "<trk><trkseg>"
    for (i = 0; i < 50000; i++) {
      s = i % 60; m = int(i / 60) % 60; h = int(i / 3600)
      printf "<trkpt lat=\"%.6f\" lon=\"%.6f\"><ele>%d</ele><time>2024-01-%02dT%02d:%02d:%02dZ</time></trkpt>\n", 47 + i * 0.00005, 8.5, 400 + i % 100, t + 1, h, m, s
    }
    print "</trkseg></trk>"
  }
  print "</gpx>" }' >"$work/million.gpx"
echo "million.gpx: $(grep -c '<trkpt' "$work/million.gpx") points, $(du -m "$work/million.gpx" | cut -f1) MB"
/usr/bin/time -f "%e %M" -o "$work/time.txt" "$cli" --data-dir "$work/big" import "$work/million.gpx" >/dev/null
read -r wall peak <"$work/time.txt"
echo "import of 1,000,000 points: $wall s, peak memory $((peak / 1024)) MB (aim < 100 MB)"
