#!/usr/bin/env bash
# The Debian package as a packager checks it: built with dpkg-buildpackage (scripts/package.sh),
# lintian finds no error or warning, hardening-check passes for the three programs, the desktop
# entry and the metainfo pass their validators with nothing to say, every file is in its place,
# and a second build of the same sources gives the same bytes.
# Runs where its tools are installed (ccache makes the second build quick); with CI=true it
# installs them and always runs.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
out=${VANDREL_PACKAGE_DIR:-$root/build/package}
tools=(dpkg-buildpackage dh lintian hardening-check desktop-file-validate appstreamcli ccache)
missing=()
for tool in "${tools[@]}"; do
  command -v "$tool" >/dev/null || missing+=("$tool")
done
# --build-folder: the package's own build folder (its CMake build of the programs), when the
# package is built here; nothing when its tools are missing.
if [ "${1:-}" = --build-folder ]; then
  if [ ${#missing[@]} -eq 0 ] || [ "${CI:-}" = true ]; then
    version=$(cd "$root" && dpkg-parsechangelog -S Version)
    folder=$out/src/vandrel-${version%-*}/obj-$(dpkg-architecture -qDEB_HOST_GNU_TYPE)
    [ -f "$folder/CMakeCache.txt" ] && echo "$folder"
  fi
  exit 0
fi
if [ ${#missing[@]} -gt 0 ]; then
  if [ "${CI:-}" != true ]; then
    echo "package test skipped: not installed: ${missing[*]}"
    exit 0
  fi
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
    dpkg-dev debhelper lintian devscripts desktop-file-utils appstream ccache >&2
fi
fail() { echo "package test: $*"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Checked as built, less the debug symbols: compiling them takes a third of the build, and they
# go only into a separate symbols package that nothing here installs. GCC emits the same code
# with -g and without it.
export DEB_BUILD_OPTIONS="${DEB_BUILD_OPTIONS:+$DEB_BUILD_OPTIONS }noautodbgsym"
export DEB_CFLAGS_STRIP=-g DEB_CXXFLAGS_STRIP=-g
VANDREL_PACKAGE_DIR=$out "$root/scripts/package.sh"
version=$(cd "$root" && dpkg-parsechangelog -S Version)
deb=$out/vandrel_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no $deb"

# Every remark lintian leaves must be of the info or pedantic level, each one explained in
# debian/README.lintian.
lintian --pedantic --info --fail-on error,warning "$deb" >"$work/lintian" ||
  { cat "$work/lintian"; fail "lintian: errors or warnings"; }
cat "$work/lintian"
while read -r level _ tag _; do
  grep -q "^- $tag:" "$root/debian/README.lintian" || fail "lintian $level $tag is not explained"
done < <(grep -E '^[IP]: ' "$work/lintian" | sort -u -k3,3)

dpkg-deb -x "$deb" "$work/root"
# Control flow protection cannot show on Debian 12: its C library's start files carry no IBT or
# SHSTK mark, so no program linked there has them (/usr/bin/ls neither); all else must be there.
for program in vandrel vandrel-cli vandrel-sim; do
  hardening-check --nocfprotection "$work/root/usr/bin/$program" || fail "hardening-check $program"
done
app=org.vandrel.vandrel
desktop=$work/root/usr/share/applications/$app.desktop
said=$(desktop-file-validate "$desktop" 2>&1) && [ -z "$said" ] || fail "$desktop: $said"
said=$(appstreamcli validate --pedantic --no-net --no-color \
         "$work/root/usr/share/metainfo/$app.metainfo.xml" 2>&1) ||
  fail "appstreamcli: $said"
if grep -E '^[EWP]: ' <<<"$said"; then fail "appstreamcli: $said"; fi

dpkg-deb --contents "$deb" | awk '{print $6 ($7 ? " " $7 " " $8 : "")}' >"$work/contents"
expected=(./usr/bin/vandrel ./usr/bin/vandrel-cli ./usr/bin/vandrel-sim
          "./usr/share/applications/$app.desktop" "./usr/share/metainfo/$app.metainfo.xml"
          ./usr/share/icons/hicolor/scalable/apps/vandrel.svg
          ./usr/share/icons/hicolor/48x48/apps/vandrel.png
          ./usr/share/man/man1/vandrel.1.gz ./usr/share/man/man1/vandrel-cli.1.gz
          ./usr/share/man/man1/vandrel-sim.1.gz
          ./usr/share/doc/vandrel/copyright ./usr/share/doc/vandrel/changelog.Debian.gz
          ./usr/share/doc/vandrel/examples/70-vandrel-logger.rules
          ./usr/share/vandrel/erase.bin ./usr/share/vandrel/Html/tmaps.html
          ./usr/share/vandrel/Html/offline/outline_reader.js
          ./usr/share/vandrel/Html/offline/countries-110m.json
          ./usr/share/vandrel/images/icon.png ./usr/share/vandrel/pois/1.png
          "./usr/share/vandrel/Html/vendor/leaflet -> ../../../javascript/leaflet")
for file in "${expected[@]}"; do
  grep -qxF "$file" "$work/contents" || fail "not in the package: $file"
done
dpkg-deb -f "$deb" Depends | grep -qw libjs-leaflet || fail "no dependency on libjs-leaflet"
cmp -s "$root/LICENSE" /usr/share/common-licenses/GPL-3 || fail "LICENSE is not the GPL 3"

cp "$deb" "$work/first.deb"
VANDREL_PACKAGE_DIR=$out "$root/scripts/package.sh" >"$work/second.log" 2>&1 ||
  { cat "$work/second.log"; fail "second build failed"; }
cmp "$work/first.deb" "$deb" || fail "two builds of the same sources differ"
echo "package test passed: $deb"
