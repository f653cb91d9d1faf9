#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer and runs every test,
# then runs the Xvfb suites again in a Release build, as users run the program.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
build=${VANDREL_TEST_BUILD:-build/test}
# Continuous integration runs every test: a missing test tool is an error there, not a skip.
# Its sanitizers' stack traces need only the line tables (-g1): the full debug information of
# a developer's build takes an eighth more of the build's time.
require_tools=OFF
debug_info=()
if [ "${CI:-}" = true ]; then
  require_tools=ON
  debug_info=(-DCMAKE_C_FLAGS_DEBUG=-g1 -DCMAKE_CXX_FLAGS_DEBUG=-g1)
fi
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVANDREL_SANITIZE=ON -DVANDREL_BENCH=ON \
  -DVANDREL_REQUIRE_TEST_TOOLS=$require_tools "${debug_info[@]}"
cmake --build "$build" -j"$(nproc)"
scripts/format-check.sh
# A locale with a decimal comma, made inside the build folder, so that the tests can check that
# no file or text the program writes follows the desktop's number format.
mkdir -p "$build/locale"
localedef -i de_DE -f UTF-8 "$build/locale/de_DE.UTF-8" 2>/dev/null || true
export LOCPATH="$PWD/$build/locale"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"

# The Debian package, built as Debian builds packages and checked as a packager would; it runs
# where its tools (debhelper, lintian, devscripts) are installed, and always in CI.
tests/dist/package_test.sh

# An optimised build changes the timing between a command's worker thread and the windows (a
# download ends within milliseconds), so the suites that drive the real windows run there too.
# Where the package was built they run in the package's own build folder, with the test
# programs added: the programs are then the very objects the package holds, and nothing is
# compiled twice. Elsewhere a Release build with the package's flags serves.
release=$(tests/dist/package_test.sh --build-folder)
if [ -n "$release" ]; then
  cmake -S "$release/.." -B "$release" -DCMAKE_VERBOSE_MAKEFILE=OFF -DVANDREL_TESTS=ON \
    -DVANDREL_REQUIRE_TEST_TOOLS=$require_tools
else
  release=${VANDREL_RELEASE_BUILD:-build/release}
  . scripts/release_flags.sh
  cmake -S . -B "$release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANDREL_BENCH=OFF \
    -DVANDREL_TESTS=ON -DVANDREL_REQUIRE_TEST_TOOLS=$require_tools
fi
cmake --build "$release" -j"$(nproc)" --target vandrel gtk_tests shell_xvfb_tests
ctest --test-dir "$release" --output-on-failure -j"$(nproc)" -R '^gtk_'
