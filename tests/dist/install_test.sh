#!/usr/bin/env bash
# The package on a clean Debian 12: a root made by debootstrap (minbase, from the mirror apt
# uses here) installs it with apt, a normal user runs the three programs there, downloads a
# simulated logger into ~/.local/share/vandrel, finds the manual page, and starts the desktop
# program under xvfb-run inside the plain chroot, where user namespaces are refused; nothing is
# written under /usr, and a purge leaves nothing of the package behind. Needs root.
# Usage: install_test.sh DEB OUT-DIR   (OUT-DIR gets the lists, the window's screenshot and its
#                                       standard error)
#        install_test.sh --host-tools  (installs debootstrap and netpbm on this machine)
#        install_test.sh --prepare     (makes the root and installs the test's own tools in it,
#                                       to run while the package builds: it uses no apt here)
# VANDREL_CHROOT names the root (made once, then reused; default build/chroot).
set -euo pipefail
prepare=false
host_tools=false
if [ "${1:-}" = --host-tools ]; then
  host_tools=true
elif [ "${1:-}" = --prepare ]; then
  prepare=true
else
  deb=$(realpath "$1")
  out=$(mkdir -p "$2" && realpath "$2")
fi
here=$(cd "$(dirname "$0")" && pwd)
root=${VANDREL_CHROOT:-$here/../../build/chroot}
fail() { echo "install test: $*"; exit 1; }
[ "$(id -u)" -eq 0 ] || fail "needs root (debootstrap, chroot)"
needed=(debootstrap netpbm)
missing=()
for p in "${needed[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if $host_tools; then
  if [ ${#missing[@]} -gt 0 ]; then
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
  exit 0
fi
[ ${#missing[@]} -eq 0 ] || fail "not installed: ${missing[*]} (install_test.sh --host-tools)"

if [ ! -x "$root/usr/bin/apt-get" ]; then
  mirror=$(awk '/^URIs:/ {print $2; exit} /^deb / {print $2; exit}' \
             /etc/apt/sources.list.d/*.sources /etc/apt/sources.list 2>/dev/null || true)
  debootstrap --variant=minbase bookworm "$root" "${mirror:-http://deb.debian.org/debian}"
fi
root=$(realpath "$root")
# The same suites as this machine (updates and security), so that the libraries the package
# was built against can be had.
if ls /etc/apt/sources.list.d/*.sources >/dev/null 2>&1; then
  cp /etc/apt/sources.list.d/*.sources "$root/etc/apt/sources.list.d/"
  rm -f "$root/etc/apt/sources.list"
fi
if [ -s /etc/apt/sources.list ]; then
  cp /etc/apt/sources.list "$root/etc/apt/sources.list"
fi
mounts=()
cleanup() {
  for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do umount -l "${mounts[i]}" || true; done
}
trap cleanup EXIT
mount -t proc proc "$root/proc" && mounts+=("$root/proc")
mount --bind /dev "$root/dev" && mounts+=("$root/dev")
mount -t tmpfs shm "$root/dev/shm" && mounts+=("$root/dev/shm")
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 "$@"; }
as_user() {
  chroot --userspec="$user" "$root" env -i PATH=/usr/bin:/bin HOME=/home/tester LANG=C.UTF-8 "$@"
}

# The tools of the test itself, then the package, whose dependencies apt resolves alone.
in_root apt-get update -qq
DEBIAN_FRONTEND=noninteractive in_root apt-get install -y -qq man-db xvfb xauth x11-utils \
  >/dev/null
if $prepare; then
  # The package's libraries fetched ahead (not installed: apt still resolves the package's own
  # dependencies when it installs it).
  DEBIAN_FRONTEND=noninteractive in_root apt-get install -y -qq --download-only \
    libwebkit2gtk-4.1-0 libgtk-3-0 libsoup-3.0-0 libgumbo1 libtinyxml2-9 libminizip1 \
    libsqlite3-0 libxml2 libjs-leaflet fonts-dejavu-core bubblewrap libexiv2-27 gpsbabel \
    >/dev/null || true
  echo "install test: root ready in $root"
  exit 0
fi
cp "$deb" "$root/tmp/"
DEBIAN_FRONTEND=noninteractive in_root apt-get install -y -qq "/tmp/$(basename "$deb")" ||
  fail "apt-get install of the package failed"
in_root dpkg -L vandrel >"$out/files"
# A new user each run, with an empty home.
in_root userdel -r tester >/dev/null 2>&1 || true
in_root useradd -m tester
user=$(in_root id -u tester):$(in_root id -g tester)
in_root find /usr -printf '%p %T@ %s\n' | sort >"$out/usr.before"

for program in vandrel vandrel-cli vandrel-sim; do
  as_user "$program" --version | head -n1 | grep -qx "$program .*" ||
    fail "$program --version"
done
as_user vandrel-sim create /home/tester/logger.img --tracks 2 --points 60 >/dev/null
as_user vandrel-cli --device /home/tester/logger.img download || fail "download"
[ -s "$root/home/tester/.local/share/vandrel/Vandrel.db" ] || fail "no database in ~/.local/share"
as_user vandrel-cli tracks | grep -q . || fail "no tracks listed"
[ "$(as_user man -w vandrel-cli)" = /usr/share/man/man1/vandrel-cli.1.gz ] || fail "man -w"

# The window, drawn into a frame buffer file that becomes the screenshot: the test waits (at
# most a minute) until it holds a picture of many colours, the pages and not a blank window.
cat >"$root/tmp/show.sh" <<'SCRIPT'
#!/bin/sh
vandrel --device "$HOME/logger.img" 2>"$HOME/vandrel.err" &
pid=$!
i=0
while [ $i -lt 180 ] && [ ! -f /tmp/fb/shown ]; do
  kill -0 $pid 2>/dev/null || { echo "vandrel ended"; exit 1; }
  sleep 1
  i=$((i + 1))
done
xwininfo -root -tree >/tmp/fb/windows
cp /tmp/fb/Xvfb_screen0 /tmp/fb/shot.xwd
kill $pid
wait $pid
[ -f /tmp/fb/shown ] || { echo "the pages were not drawn"; exit 1; }
SCRIPT
chmod +x "$root/tmp/show.sh"
rm -rf "$root/tmp/fb" && mkdir -p "$root/tmp/fb" && chmod 1777 "$root/tmp/fb"
(
  # Watches the frame buffer from outside: the pages are drawn when the screen holds a picture
  # of many colours (the map's outline, the icons and the text), not a blank window.
  # The outline arrives a moment after the page: the picture must also have stopped changing.
  before=0
  for _ in $(seq 90); do
    sleep 2
    colours=$(xwdtopnm "$root/tmp/fb/Xvfb_screen0" 2>/dev/null | ppmhist -noheader 2>/dev/null |
                wc -l)
    if [ "${colours:-0}" -gt 2000 ] && [ "$colours" = "$before" ]; then
      touch "$root/tmp/fb/shown"
      exit 0
    fi
    before=${colours:-0}
  done
) &
watcher=$!
as_user xvfb-run -a -s "-screen 0 1280x800x24 -fbdir /tmp/fb" /tmp/show.sh ||
  { cat "$root/home/tester/vandrel.err"; fail "the window did not show its pages"; }
wait $watcher || true
xwdtopnm "$root/tmp/fb/shot.xwd" 2>/dev/null | pnmtopng >"$out/vandrel-window.png"
cp "$root/home/tester/vandrel.err" "$out/vandrel.err"
grep -q '"Vandrel' "$root/tmp/fb/windows" || fail "no window named Vandrel"
grep -c "without WebKit's sandbox" "$out/vandrel.err" | grep -qx 1 ||
  fail "no single word on stderr of running without the sandbox"

in_root find /usr -printf '%p %T@ %s\n' | sort >"$out/usr.after"
diff "$out/usr.before" "$out/usr.after" || fail "the programs wrote under /usr"

DEBIAN_FRONTEND=noninteractive in_root apt-get purge -y -qq vandrel >/dev/null
left=()
while read -r file; do
  [ "$file" = /. ] && continue
  if [ -e "$root$file" ] || [ -L "$root$file" ]; then
    # A folder another package owns (hicolor-icon-theme's icon folders) stays.
    [ -d "$root$file" ] && [ ! -L "$root$file" ] && in_root dpkg -S "$file" >/dev/null 2>&1 &&
      continue
    left+=("$file")
  fi
done <"$out/files"
[ ${#left[@]} -eq 0 ] || fail "left after purge: ${left[*]}"
echo "install test passed (screenshot: $out/vandrel-window.png)"
