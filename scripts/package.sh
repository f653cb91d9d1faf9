#!/usr/bin/env bash
# Builds the Debian package of Vandrel (Release, installed under /usr) into build/package/ and
# checks it with lintian. Installs the Debian packages it needs (through sudo when not root).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
# dpkg-shlibdeps (dpkg-dev) computes the package's dependencies; lintian checks the package.
needed=(dpkg-dev lintian file)
missing=()
for p in "${needed[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}" >&2
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >&2
fi
build="$root/build/package"
# Without the tests: cpack builds every target of the build folder before it installs.
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANDREL_TESTS=OFF \
  -DVANDREL_SANITIZE=OFF >/dev/null
cmake --build "$build"
rm -f "$build"/vandrel_*.deb
(cd "$build" && cpack -G DEB)
debs=("$build"/vandrel_*.deb)
deb=${debs[0]}
dpkg-deb --info "$deb"
echo "lintian $deb:"
# lintian exits non-zero on errors only; warnings are listed for the reader.
lintian --info "$deb"
echo "built $deb"
