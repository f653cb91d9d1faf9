#!/usr/bin/env bash
# Peak memory (maximum resident set, read from /usr/bin/time -v) of the desktop program shown
# offline map files made to grow it: one 200 MB blob that answers every tile through a view, an
# attribution of 100 MB, and a name and attribution of 10 MB each. Each runs `vandrel --map FILE`
# under Xvfb for SECONDS (default 15), then ends it with SIGTERM; a plain map file of the same
# layout is the baseline. The figure is the largest resident set of the program and of the web
# processes it started and waited for (the largest of them, not their sum).
#
#   bench/map/hostile_map_memory.sh [SECONDS]
#
# The program is $VANDREL_BENCH_PROGRAM when set, else `vandrel` of $VANDREL_BENCH_BUILD
# (default build/bench), configured as Release and built here.
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${1:-15}
for tool in sqlite3 xvfb-run /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed" >&2; exit 1; }
done
program=${VANDREL_BENCH_PROGRAM:-}
if [ -z "$program" ]; then
  build=${VANDREL_BENCH_BUILD:-build/bench}
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANDREL_TESTS=OFF -DVANDREL_BENCH=ON >/dev/null
  cmake --build "$build" -j2 --target vandrel >/dev/null
  program="$build/vandrel"
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
png="x'89504e470d0a1a0a'"
# A map file whose metadata are the statements given after the tiles.
make_map() {
  sqlite3 "$work/$1.mbtiles" "create table metadata (name text, value text); $2"
}
make_map plain "insert into metadata values ('name', 'Plain'), ('format', 'png');
  create table tiles (zoom_level integer, tile_column integer, tile_row integer, tile_data blob);
  insert into tiles values (0, 0, 0, cast($png || zeroblob(2000) as blob));"
make_map blob "insert into metadata values ('name', 'Blob'), ('format', 'png');
  create table big (b blob); insert into big values (cast($png || zeroblob(200000000) as blob));
  create view tiles (zoom_level, tile_column, tile_row, tile_data) as
    with recursive n(i) as (select 0 union all select i + 1 from n where i < 31)
    select z.i, x.i, y.i, (select b from big) from n as z, n as x, n as y;"
make_map attribution "insert into metadata values ('name', 'Long'), ('format', 'png'),
  ('attribution', replace(hex(zeroblob(50000000)), '00', 'a'));"
make_map names "insert into metadata values ('format', 'png'),
  ('name', replace(hex(zeroblob(5000000)), '00', 'n')),
  ('attribution', replace(hex(zeroblob(5000000)), '00', 'a'));"
for map in attribution names; do
  sqlite3 "$work/$map.mbtiles" "create table tiles (zoom_level integer, tile_column integer,
    tile_row integer, tile_data blob);"
done

for map in plain blob attribution names; do
  mkdir -p "$work/program-$map"
  xvfb-run -a -s "-screen 0 1280x800x24" /usr/bin/time -v -o "$work/time-$map.txt" \
    timeout -s TERM "$seconds" "$program" --data-dir "$work/program-$map" \
    --map "$work/$map.mbtiles" >/dev/null 2>"$work/err-$map.txt" || true
  peak=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$work/time-$map.txt")
  echo "$map: peak $((peak / 1024)) MB; $(grep -v 'WARNING\|^$' "$work/err-$map.txt" | head -c 300)"
done
