#!/usr/bin/env bash
# Time and peak memory (maximum resident set, getrusage's ru_maxrss) of `vandrel-cli archive
# load` of an archive of 1,000,000 points into an empty program folder, and of the
# `archive save` that wrote it. The points are the program's own downloads of simulated logs:
# 20 full logs of 49,900 points and one of 2,000, three days apart, saved as one archive.
#
#   bench/archive_load_memory.sh [RUNS] [OTHER-VANDREL-CLI]
#
# Each load runs RUNS times (default 5); the median wall and processor (user + system) times and
# the largest peak are reported: on a shared machine the processor time varies less.
# With OTHER-VANDREL-CLI (another build's program, say of the main branch) its loads of the same
# archive run in turn with this build's, so that both meet the same machine load.
# The build folder is $VANDREL_BENCH_BUILD (default build/bench), configured as Release.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
other=${2:-}
scripts/deps.sh
dpkg-query -W -f='${Status}' time 2>/dev/null | grep -q "install ok installed" || {
  sudo=""; [ "$(id -u)" -ne 0 ] && sudo=sudo; $sudo apt-get install -y -qq time >&2; }
build=${VANDREL_BENCH_BUILD:-build/bench}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANDREL_TESTS=OFF -DVANDREL_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target vandrel-cli vandrel-sim >/dev/null
cli="$build/vandrel-cli"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for i in $(seq 0 20); do
  start=$(date -d "2024-01-01 + $((i * 3)) days" +%Y-%m-%dT08:00:00)
  if [ "$i" -lt 20 ]; then size=(--full); else size=(--points 2000); fi
  "$build/vandrel-sim" create "$work/log.img" --tracks 1 "${size[@]}" --start "$start" >/dev/null
  "$cli" --data-dir "$work/seed" --device "$work/log.img" download >/dev/null 2>&1
done
# One measured command: "WALL-SECONDS KIB CPU-SECONDS" of its times and peak memory.
measure() {
  /usr/bin/time -f "%e %M %U %S" -o "$work/time.txt" "$@" >/dev/null 2>"$work/err.txt" || {
    cat "$work/err.txt" >&2; exit 1; }
  awk '{ print $1, $2, $3 + $4 }' "$work/time.txt"
}
save=$(measure "$cli" --data-dir "$work/seed" archive save "$work/million.prg")
echo "archive of $(grep -c '<point' "$work/million.prg") points in" \
  "$(grep -c '<item' "$work/million.prg") tracks, $(du -m "$work/million.prg" | cut -f1) MB"
read -r wall peak cpu <<<"$save"
echo "archive save: $wall s, processor $cpu s, peak memory $((peak / 1024)) MB"

# Loads each program's runs into an empty folder; prints the median times and largest peak.
programs=("$cli")
[ -n "$other" ] && programs+=("$other")
for _ in $(seq "$runs"); do
  for p in "${!programs[@]}"; do
    rm -rf "$work/load"
    measure "${programs[$p]}" --data-dir "$work/load" archive load "$work/million.prg" \
      >>"$work/load-$p.txt"
  done
done
for p in "${!programs[@]}"; do
  wall=$(cut -d' ' -f1 "$work/load-$p.txt" | sort -n | sed -n "$(((runs + 1) / 2))p")
  cpu=$(cut -d' ' -f3 "$work/load-$p.txt" | sort -n | sed -n "$(((runs + 1) / 2))p")
  peak=$(cut -d' ' -f2 "$work/load-$p.txt" | sort -n | tail -n 1)
  echo "archive load (${programs[$p]}), median of $runs runs: $wall s, processor $cpu s," \
    "peak memory $((peak / 1024)) MB"
done
