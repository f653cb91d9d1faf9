#!/usr/bin/env bash
# Builds the Debian package of Vandrel as Debian builds packages: dpkg-buildpackage with debhelper
# and Debian's hardened build flags (debian/), from a copy of the source tree in
# build/package/src/, into build/package/. Installs the package's build dependencies first
# (through sudo when not root). The file dates in the package are those of the last commit.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${VANDREL_PACKAGE_DIR:-$root/build/package}
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
if ! command -v dpkg-checkbuilddeps >/dev/null || ! command -v dh >/dev/null ||
   ! (cd "$root" && dpkg-checkbuilddeps) 2>/dev/null; then
  echo "Installing the build dependencies of debian/control" >&2
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
    dpkg-dev debhelper >&2
  DEBIAN_FRONTEND=noninteractive $sudo apt-get build-dep -y -qq "$root" >&2
fi

version=$(cd "$root" && dpkg-parsechangelog -S Version)
src=$out/src/vandrel-${version%-*}
# One fixed folder for every build, so that two builds of one commit see the same paths.
rm -rf "$out/src"
mkdir -p "$src"
if git -C "$root" rev-parse --git-dir >/dev/null 2>&1; then
  (cd "$root" && git ls-files -z --cached --others --exclude-standard |
     xargs -0 tar --no-recursion -cf - 2>/dev/null) | tar -xf - -C "$src"
  SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct)
  export SOURCE_DATE_EPOCH
else
  tar -C "$root" --exclude=./build --exclude=./.git -cf - . | tar -xf - -C "$src"
fi
# Every file of the copy dated as the commit, whenever and wherever it was checked out: the
# files the package takes as they are (the copyright) keep that date.
if [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
  find "$src" -exec touch -h -d "@$SOURCE_DATE_EPOCH" {} +
fi
# A second build of the same sources takes its objects from the cache: the same compiler
# output, so the package stays byte for byte the same.
if command -v ccache >/dev/null; then
  export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
  export CCACHE_DIR=$out/ccache CCACHE_BASEDIR=$src
fi
(cd "$src" && dpkg-buildpackage -us -uc -b ${DPKG_BUILD_JOBS:+-j$DPKG_BUILD_JOBS})
mkdir -p "$out"
rm -f "$out"/vandrel_*.deb "$out"/vandrel-dbgsym_*.deb
mv "$out"/src/vandrel_*.deb "$out"/src/vandrel-dbgsym_*.deb "$out"/ 2>/dev/null || true
mv "$out"/src/*.buildinfo "$out"/src/*.changes "$out"/ 2>/dev/null || true
debs=("$out"/vandrel_"$version"_*.deb)
echo "built ${debs[0]}"
