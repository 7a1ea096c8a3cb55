#!/usr/bin/env bash
# Builds the Debian package (cpack, dependencies computed by dpkg-shlibdeps) and installs it
# into a fresh Debian 12 root with apt, as on a new machine; there a new user runs
# `velt --version`, `velt --demo --list` and a screenshot of the demo (which loads a metafile
# through the helper). Slow and needs the network for the dependencies: not part of ctest.
#   bash scripts/test-deb.sh          # as root, from anywhere in the project
# The root is unpacked from the base system that ../shared/tools/fresh-machine.sh keeps
# (/var/tmp/fresh-debian12/base.tar, or FRESH_BASE); without it a base system is made once
# under the build folder. The root lives under the build folder and is removed at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
[ "$(id -u)" -eq 0 ] || { echo "test-deb.sh: run as root (it uses chroot)" >&2; exit 2; }
build=$(realpath -m "${VELT_BUILD_DIR:-build}")
work=$build/deb-test
root=$work/root
seconds() { date +%s.%N; }
elapsed() { awk -v a="$1" -v b="$(seconds)" 'BEGIN { printf "%.1f", b - a }'; }
all=$(seconds)

scripts/setup.sh
need=()
command -v dpkg-shlibdeps >/dev/null || need+=(dpkg-dev)
command -v debootstrap >/dev/null || need+=(debootstrap)
if [ ${#need[@]} -gt 0 ]; then
    apt-get update -q && DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${need[@]}"
fi

start=$(seconds)
rm -f "$build"/velt_*.deb
(cd "$build" && cpack -G DEB >"$build/cpack.log" 2>&1) || { cat "$build/cpack.log"; exit 1; }
deb=$(ls "$build"/velt_*.deb)
echo "package built in $(elapsed "$start") s: $deb"
dpkg-deb -f "$deb" Depends

base=${FRESH_BASE:-/var/tmp/fresh-debian12/base.tar}
if [ ! -s "$base" ]; then
    base=$work/base.tar
    if [ ! -s "$base" ]; then
        echo "making a Debian 12 base system under $work (once) ..."
        mirror=$(sed -n 's/^URIs: *//p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -1)
        rm -rf --one-file-system "$work/make"
        mkdir -p "$work"
        debootstrap --variant=minbase bookworm "$work/make" ${mirror:+"$mirror"} \
            >"$work/debootstrap.log" 2>&1 || { echo "debootstrap failed: $work/debootstrap.log"; exit 1; }
        tar -C "$work/make" -cf "$base" . && rm -rf --one-file-system "$work/make"
    fi
fi

start=$(seconds)
unmount() { for m in dev sys proc; do umount -l "$root/$m" 2>/dev/null || true; done; }
cleanup() { unmount; rm -rf --one-file-system "$root"; }
cleanup
trap cleanup EXIT
mkdir -p "$root"
tar -C "$root" -xf "$base"
cp /etc/resolv.conf "$root/etc/resolv.conf"
for m in proc sys dev; do mount --bind "/$m" "$root/$m"; done
cp "$deb" "$root/tmp/velt.deb"
chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 HOME=/root \
    bash -euo pipefail -c '
apt-get update -q >/dev/null
DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends /tmp/velt.deb \
    >/tmp/apt.log 2>&1 || { tail -n 30 /tmp/apt.log; exit 1; }
echo "installed: $(dpkg-query -W -f="\${Package} \${Version}" velt)"
for f in /usr/bin/velt /usr/libexec/velt/velt-metafile /usr/share/man/man1/velt.1 \
         /usr/share/applications/*.desktop /usr/share/metainfo/*.metainfo.xml \
         /usr/share/icons/hicolor/scalable/apps/*.svg; do
    [ -f "$f" ] || { echo "missing: $f"; exit 1; }
done
useradd -m newuser
runuser -l newuser -c "
    set -e
    velt --version
    velt --demo --list | tail -n 3
    QT_QPA_PLATFORM=offscreen velt --demo --screenshot /tmp/velt-deb-shot.png
    test -f ~/.config/VELT/VELT.ini && echo settings in ~/.config/VELT/VELT.ini
"
'
cp "$root/tmp/velt-deb-shot.png" "$work/shot.png"
echo "fresh root test passed in $(elapsed "$start") s (screenshot: $work/shot.png)"
start=$(seconds)
cleanup
trap - EXIT
echo "root removed in $(elapsed "$start") s; all in $(elapsed "$all") s"
