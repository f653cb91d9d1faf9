#!/usr/bin/env bash
# A database of 5,000,000 points (made once in a temporary folder): the in-process figures, then
# `vandrel-cli tracks` on it as a whole process, against the same on an empty database.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${VANDREL_BENCH_BUILD:-build/bench}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANDREL_TESTS=OFF -DVANDREL_BENCH=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target vandrel_scale_bench vandrel-cli >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
VANDREL_SCALE_DIR="$work/big" "$build/vandrel_scale_bench" --benchmark_min_time=0.3 "$@"
mkdir -p "$work/empty"
"$build/vandrel-cli" --data-dir "$work/empty" tracks >/dev/null
time_runs() {
  local dir=$1 best=""
  for _ in 1 2 3 4 5; do
    local start end
    start=$(date +%s%N)
    "$build/vandrel-cli" --data-dir "$dir" tracks >/dev/null
    end=$(date +%s%N)
    echo $(((end - start) / 1000000))
  done | sort -n | sed -n 3p
}
echo "vandrel-cli tracks, median of 5: 5,000,000 points $(time_runs "$work/big") ms," \
  "empty database $(time_runs "$work/empty") ms"
