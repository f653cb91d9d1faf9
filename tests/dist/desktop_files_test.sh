#!/usr/bin/env bash
# What a desktop and a package need of the installed program: the desktop entry and the
# metainfo pass their validators, every program answers --version with its name and the
# project's version, and the install holds the manual pages, the icons at the theme's sizes,
# the desktop entry, the metainfo and the example udev rule.
# Arguments: BUILD-DIR VERSION APP-ID REQUIRE-TOOLS(0|1) GUI(0|1)
set -euo pipefail
build=$1 version=$2 app_id=$3 require=$4 gui=$5
missing=()
for tool in desktop-file-validate appstreamcli; do
  command -v "$tool" >/dev/null || missing+=("$tool")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "not installed: ${missing[*]} (scripts/deps.sh installs them)"
  [ "$require" = 1 ] && exit 1
  exit 77
fi
fail() { echo "$*"; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

programs=(vandrel-cli vandrel-sim)
[ "$gui" = 1 ] && programs+=(vandrel)
for program in "${programs[@]}"; do
  out=$("$build/$program" --version) || fail "$program --version failed"
  [ "$(head -n1 <<<"$out")" = "$program $version" ] || fail "$program --version printed '$out'"
  grep -q 'GPL-3.0-or-later' <<<"$out" || fail "$program --version names no licence"
done

cmake --install "$build" --prefix "$work/usr" >/dev/null
share=$work/usr/share
expected=(doc/vandrel/examples/70-vandrel-logger.rules doc/vandrel/copyright
          doc/vandrel/changelog.gz)
for program in "${programs[@]}"; do
  expected+=("man/man1/$program.1.gz")
done
if [ "$gui" = 1 ]; then
  expected+=("applications/$app_id.desktop" "metainfo/$app_id.metainfo.xml"
             icons/hicolor/scalable/apps/vandrel.svg)
  for size in 16 32 48 64 128 256; do
    expected+=("icons/hicolor/${size}x${size}/apps/vandrel.png")
  done
fi
for file in "${expected[@]}"; do
  [ -s "$share/$file" ] || fail "not installed: share/$file"
done
for page in "$share"/man/man1/*.1.gz; do
  gzip -dc "$page" | grep -q "^\.TH .*\"vandrel $version\"" || fail "$page: not of version $version"
done
[ "$gui" = 1 ] || { echo "tool files installed"; exit 0; }

# Each PNG is drawn at the size its folder names (width and height from the IHDR chunk).
for size in 16 32 48 64 128 256; do
  png="$share/icons/hicolor/${size}x${size}/apps/vandrel.png"
  read -r w h < <(od -An -tu1 -j16 -N8 "$png" |
                  awk '{print $1*16777216+$2*65536+$3*256+$4, $5*16777216+$6*65536+$7*256+$8}')
  [ "$w $h" = "$size $size" ] || fail "$png is $w x $h"
done

desktop=$share/applications/$app_id.desktop
# The validator of the target system (Debian 12's desktop-file-utils) has nothing to say of it.
out=$(desktop-file-validate "$desktop" 2>&1) && [ -z "$out" ] ||
  fail "desktop-file-validate: $out"
grep -qx "Exec=vandrel" "$desktop" || fail "vandrel.desktop: Exec is not vandrel"
metainfo=$share/metainfo/$app_id.metainfo.xml
out=$(appstreamcli validate --pedantic --no-net --no-color "$metainfo" 2>&1) ||
  fail "appstreamcli refused $metainfo: $out"
# Only remarks of the info level (I:) are accepted; pedantic (P:) and above are not.
if grep -E '^[EWP]: ' <<<"$out"; then fail "appstreamcli: $out"; fi
grep -q '<project_license>GPL-3.0-or-later</project_license>' "$metainfo" ||
  fail "metainfo: no project licence"
grep -q "<release version=\"$version\"" "$metainfo" || fail "metainfo: no release $version"
echo "desktop files valid and installed"
