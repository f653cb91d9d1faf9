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
# One target per processor at a time: each runs for its fixed time whatever the machine.
fuzz_one() {
  local name=$1 found="$build/corpus/$1" seeds=()
  mkdir -p "$found"
  [ -d "tests/fuzz/corpus/$name" ] && seeds=("tests/fuzz/corpus/$name")
  "$build/$name" -max_total_time="${FUZZ_SECONDS:-60}" -print_final_stats=1 "$found" "${seeds[@]}" \
    >"$build/$name.log" 2>&1
}
export -f fuzz_one
export build
failed=0
# shellcheck disable=SC2086
printf '%s\n' $targets | xargs -P "$(nproc)" -I{} bash -c 'fuzz_one {}' || failed=1
for name in $targets; do
  echo "== $name"
  grep -E '^(Done|stat::number_of_executed_units)' "$build/$name.log" || true
  if ! grep -q '^Done' "$build/$name.log"; then
    tail -n 40 "$build/$name.log"
    failed=1
  fi
done
exit $failed
