#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for FUZZ_SECONDS (default 60), starting
# from its saved corpus under tests/fuzz/corpus/<target>/ (replayed first; new inputs go to the
# build folder, not into the repository).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
if ! command -v clang++ >/dev/null; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get install -y -qq clang >&2
fi
build=build/fuzz
targets=$(for f in tests/fuzz/fuzz_*.cpp; do basename "$f" .cpp; done)
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVANDREL_TESTS=OFF -DVANDREL_FUZZ=ON -DVANDREL_SANITIZE=ON >/dev/null
# shellcheck disable=SC2086
cmake --build "$build" -j"$(nproc)" --target $targets
for name in $targets; do
  found="$build/corpus/$name"
  mkdir -p "$found"
  seeds=()
  [ -d "tests/fuzz/corpus/$name" ] && seeds=("tests/fuzz/corpus/$name")
  echo "== $name"
  "$build/$name" -max_total_time="${FUZZ_SECONDS:-60}" -print_final_stats=1 "$found" "${seeds[@]}" \
    >"$build/$name.log" 2>&1 || { tail -n 40 "$build/$name.log"; exit 1; }
  grep -E '^(Done|stat::number_of_executed_units)' "$build/$name.log" || true
done
