#!/usr/bin/env bash
# An installed program: installs the build into a temporary prefix, then downloads a simulated
# logger with the installed vandrel-cli, whose user files must land in $XDG_DATA_HOME/vandrel
# and whose erase image comes from share/vandrel.
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work/prefix" >/dev/null
for file in share/vandrel/erase.bin share/vandrel/images/s.png share/vandrel/Html/load.html \
            share/vandrel/pois/27.png bin/vandrel-cli; do
  [ -e "$work/prefix/$file" ] || { echo "not installed: $file"; exit 1; }
done
[ ! -e "$work/prefix/share/vandrel/Html/CMakeFiles" ] || { echo "build files installed"; exit 1; }
export XDG_DATA_HOME="$work/data" HOME="$work/home"
"$work/prefix/bin/vandrel-sim" create "$work/logger.img" --tracks 2 --points 50 >/dev/null
"$work/prefix/bin/vandrel-cli" --device "$work/logger.img" download 2>"$work/err" ||
  { cat "$work/err"; exit 1; }
[ -f "$work/data/vandrel/Vandrel.db" ] || { echo "no database in XDG_DATA_HOME"; exit 1; }
[ "$("$work/prefix/bin/vandrel-cli" tracks | wc -l)" -eq 2 ] || { echo "tracks not listed"; exit 1; }
"$work/prefix/bin/vandrel-cli" --device "$work/logger.img" erase --yes 2>"$work/err" ||
  { cat "$work/err"; exit 1; }
# The erase works on the program folder's own copy of the shipped image.
[ "$(stat -c %s "$work/data/vandrel/erase.bin")" -eq 2097152 ] ||
  { echo "erase.bin not copied from share/vandrel"; exit 1; }
echo "installed program works"
