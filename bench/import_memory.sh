#!/usr/bin/env bash
# Time and peak memory (maximum resident set) of `vandrel-cli import` of one GPX track of
# POINTS points in a single trkseg (default 2,000,000, about 180 MB; a fix a second), into an
# empty program folder. The import hands a long track to the store in pieces, so its peak
# should not grow with the track.
#
#   bench/import_memory.sh [POINTS] [OTHER-VANDREL-CLI]
#
# With OTHER-VANDREL-CLI (another build's program, say of an earlier commit) the same file is
# imported by it too, for the ratio. The build folder is $VANDREL_BENCH_BUILD (default
# build/bench), configured as Release.
set -euo pipefail
cd "$(dirname "$0")/.."
points=${1:-2000000}
other=${2:-}
scripts/deps.sh
dpkg-query -W -f='${Status}' time 2>/dev/null | grep -q "install ok installed" || {
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo=sudo; $sudo apt-get install -y -qq time >&2; }
build=${VANDREL_BENCH_BUILD:-build/bench}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANDREL_TESTS=OFF -DVANDREL_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target vandrel-cli >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# Points a second apart, about 11 cm north of each other.
awk -v n="$points" 'BEGIN {
  print "<gpx><trk><trkseg>"
  for (i = 0; i < n; i++) {
    t = 1735689600 + i
    printf "<trkpt lat=\"%.7f\" lon=\"8.0\"><ele>%.1f</ele><time>%s</time></trkpt>\n",
      47 + i * 1e-6, 400 + (i % 100) * 0.1, strftime("%Y-%m-%dT%H:%M:%SZ", t, 1)
  }
  print "</trkseg></trk></gpx>"
}' >"$work/long.gpx"
echo "one track of $points points, $(du -m "$work/long.gpx" | cut -f1) MB"
for cli in "$build/vandrel-cli" ${other:+"$other"}; do
  rm -rf "$work/program"
  /usr/bin/time -f "%e %M %U %S" -o "$work/time.txt" "$cli" --data-dir "$work/program" \
    import "$work/long.gpx" >/dev/null
  read -r wall peak user system <"$work/time.txt"
  echo "$cli: $wall s, processor $(awk -v u="$user" -v s="$system" 'BEGIN { print u + s }') s, peak memory $((peak / 1024)) MB"
done
