#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and the demo need.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config
  libsqlite3-dev libtinyxml2-dev libxml2-dev libcli11-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  clang-format libxml2-utils locales dosfstools util-linux e2fsprogs
  libgumbo-dev libgtk-3-dev libwebkit2gtk-4.1-dev xvfb xauth openbox x11-utils fonts-dejavu-core
  libminizip-dev zlib1g-dev librsvg2-bin libexiv2-dev exiv2
  gpsbabel gdal-bin unzip
  libsoup-3.0-dev libjs-leaflet
  desktop-file-utils appstream
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi
echo "Installing: ${missing[*]}" >&2
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
