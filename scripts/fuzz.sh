#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a while (FUZZ_SECONDS, default 60).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
command -v clang++ >/dev/null || { sudo=""; [ "$(id -u)" -ne 0 ] && sudo=sudo; $sudo apt-get install -y -qq clang >&2; }
build=build/fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVANDREL_TESTS=OFF -DVANDREL_FUZZ=ON -DVANDREL_SANITIZE=ON >/dev/null
cmake --build "$build" -j"$(nproc)"
for target in "$build"/fuzz_*; do
  [ -x "$target" ] || continue
  corpus="$build/corpus/$(basename "$target")"
  mkdir -p "$corpus"
  echo "== $(basename "$target")"
  "$target" -max_total_time="${FUZZ_SECONDS:-60}" -print_final_stats=1 "$corpus" 2>&1 | tail -n 3
done
