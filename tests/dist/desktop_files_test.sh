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
  [ "$out" = "$program $version" ] || fail "$program --version printed '$out'"
done

cmake --install "$build" --prefix "$work/usr" >/dev/null
share=$work/usr/share
expected=(doc/vandrel/examples/70-vandrel-logger.rules doc/vandrel/copyright
          doc/vandrel/changelog.gz)
for program in "${programs[@]}"; do
  expected+=("man/man1/$program.1.gz")
done
if [ "$gui" = 1 ]; then
  expected+=(applications/vandrel.desktop "metainfo/$app_id.metainfo.xml"
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

desktop=$share/applications/vandrel.desktop
# desktop-file-utils before 0.27 knows the format up to 1.4 and calls the two 1.5 entries
# (Version=1.5, SingleMainWindow) errors; everything else it says must be nothing.
if ! out=$(desktop-file-validate "$desktop" 2>&1); then
  rest=$(printf '%s\n' "$out" | grep -v -e 'value "1.5" for key "Version"' \
                                        -e 'contains key "SingleMainWindow"' || true)
  [ -z "$rest" ] || fail "desktop-file-validate: $out"
fi
grep -qx 'SingleMainWindow=true' "$desktop" || fail "vandrel.desktop: no SingleMainWindow"
grep -qx "Exec=vandrel" "$desktop" || fail "vandrel.desktop: Exec is not vandrel"
metainfo=$share/metainfo/$app_id.metainfo.xml
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli refused $metainfo"
grep -q "<release version=\"$version\"" "$metainfo" || fail "metainfo: no release $version"
echo "desktop files valid and installed"
