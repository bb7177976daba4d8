#!/usr/bin/env bash
# deb_install_check.sh: installs the package on a bare Debian 12 and takes it
# away again, as a user would. apt must pull every library it needs (the
# recommendation, ffmpeg, is left out, so the programs are shown to run on
# Depends alone); the desktop entry and its icon must be in place; --version
# and a recorder frame must work from a folder of no importance; and purge
# with --autoremove must leave no file of the package, nor of what it pulled.
#
#   tools/deb_install_check.sh [PACKAGE.deb]
#
# As root (chroot and mounts). The default package is the one make deb left
# in build-deb/. The bare system is the minimal Debian 12 that
# ../shared/tools/bare-debian-check makes and caches; BARE_BASE names another
# tarball of one.
set -u
arch=$(dpkg --print-architecture)
deb=${1:-$(ls build-deb/pelmira15_*_"$arch".deb 2>/dev/null | head -n 1)}
base=${BARE_BASE:-/var/cache/bare-debian/bookworm-minbase.tar}
[ "$(id -u)" = 0 ] || { echo "deb_install_check: needs root (chroot and mounts)"; exit 2; }
[ -n "$deb" ] && [ -s "$deb" ] || { echo "deb_install_check: no package (run make deb, or name one)"; exit 2; }
[ -s "$base" ] || { echo "deb_install_check: no bare system at $base: run ../shared/tools/bare-debian-check once, or set BARE_BASE"; exit 2; }

root=$(mktemp -d /tmp/deb-install-check.XXXXXX)
cleanup() {
  umount -l "$root/tmp" "$root/dev" "$root/sys" "$root/proc" 2>/dev/null
  rm -rf "$root"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
tar -C "$root" -xf "$base"
mkdir -p "$root/root/package"
cp "$deb" "$root/root/package/"
cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null
# Mesa's EGL, under the recorder, probes devices in /dev and /sys.
mount -t proc proc "$root/proc" && mount --rbind /dev "$root/dev" && mount --rbind /sys "$root/sys" \
  && mount -t tmpfs tmpfs "$root/tmp" \
  || { echo "deb_install_check: cannot mount proc, dev, sys and tmp in the bare system"; exit 2; }

# A user's PATH on Debian, which holds /usr/games.
chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/local/bin:/usr/bin:/bin:/usr/local/games:/usr/games \
  /bin/bash -s "$(basename "$deb")" <<'CHECK'
set -u
fail() { echo "deb_install_check: FAIL: $*"; exit 1; }
# Every path outside what apt, dpkg and the programs' users may change.
snapshot() {
  find / -xdev \( -path /proc -o -path /sys -o -path /dev -o -path /tmp -o -path /root \
    -o -path /var/lib/apt -o -path /var/lib/dpkg -o -path /var/cache -o -path /var/log \) -prune \
    -o -print | grep -vx /etc/ld.so.cache | sort
}
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq >/root/update.log 2>&1 || { cat /root/update.log; fail "apt-get update"; }
snapshot > /root/before

apt-get install -y -qq --no-install-recommends "/root/package/$1" >/root/install.log 2>&1 \
  || { tail -n 20 /root/install.log; fail "apt install ./$1"; }
echo "deb_install_check: installed $1 and $(grep -c '^Setting up' /root/install.log) packages in all"
# Else the comparison after purge could pass by seeing nothing.
snapshot | grep -qx /usr/share/pelmira15/data || fail "the snapshot does not see the package's files"

entry=/usr/share/applications/pelmira15.desktop
[ -f "$entry" ] || fail "no desktop entry $entry"
command=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")
command -v "$command" >/dev/null || fail "the desktop entry runs '$command', which is not on a user's PATH"
icon=$(sed -n 's/^Icon=//p' "$entry")
icons=$(ls /usr/share/icons/hicolor/*/apps/"$icon".png 2>/dev/null | wc -l)
[ "$icons" -gt 0 ] || fail "no hicolor icon '$icon'"

version=$(dpkg-query -W -f='${Version}' pelmira15)
mkdir -p /tmp/elsewhere && cd /tmp/elsewhere || fail "no folder to start from"
said=$(pelmira15 --version) || fail "pelmira15 --version exited $?"
[ "$said" = "pelmira15 $version" ] || fail "pelmira15 --version says '$said', the package is $version"
pelmira15-capture --at 5000 frame.png || fail "the recorder exited $?"
# IHDR's width and height, big-endian, right after the signature and the chunk header.
size=$(od -An -tx1 -j16 -N8 frame.png | tr -d ' \n')
[ "$size" = 0000040000000300 ] || fail "the recorder's frame is not 1024 x 768 (IHDR $size)"
echo "deb_install_check: desktop entry, $icons icon sizes, '$said' and a recorder frame, from $(pwd)"
cd / && rm -rf /tmp/elsewhere

owned=$(dpkg -L pelmira15)
apt-get purge -y -qq --autoremove pelmira15 >/root/purge.log 2>&1 || { tail -n 20 /root/purge.log; fail "apt purge"; }
dpkg-query -W pelmira15 >/dev/null 2>&1 && fail "pelmira15 is still known to dpkg"
for path in $owned; do
  [ -d "$path" ] && continue
  [ -e "$path" ] && fail "purge left $path"
done
snapshot > /root/after
if ! diff /root/before /root/after >/root/left; then
  echo "deb_install_check: the system differs after purge --autoremove:"; cat /root/left
  fail "install and purge left the system changed"
fi
echo "deb_install_check: purge --autoremove left the system as it found it"
CHECK
