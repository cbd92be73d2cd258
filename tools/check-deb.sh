#!/usr/bin/env bash
# Builds the Debian package in a scratch build folder, installs it with apt
# into a copy of a freshly bootstrapped Debian 12 (minbase), so that apt has to
# resolve its Depends, and there runs installed examples as an ordinary user
# the way the manual page says: copy /usr/share/kavro99, then `kavro99 run`.
#   tools/check-deb.sh      (root; keeps the bootstrapped base in /tmp/kfresh-base)
set -euo pipefail
cd "$(dirname "$0")/.."
base=/tmp/kfresh-base
root=/tmp/kfresh-deb
build=build-deb

fail() { echo "check-deb: $*" >&2; exit 1; }

bash tools/install-deps.sh
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DKAVRO_WERROR=ON -DKAVRO_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)"
rm -f "$build"/kavro99_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(echo "$build"/kavro99_*.deb)
[[ -f $deb ]] || fail "cpack wrote no package"
echo "$(basename "$deb"):"
dpkg-deb -f "$deb" Package Version Section Depends Recommends | sed 's/^/  /'
contents=$(dpkg-deb -c "$deb")
if [[ $contents == *"/usr/bin/kavro99_desktop"* ]]; then
  [[ $(dpkg-deb -f "$deb" Depends) == *libfltk1.3* ]] || fail "the desktop program is packaged but FLTK is not in Depends"
fi
[[ $(dpkg-deb -f "$deb" Recommends) == *ghostscript* ]] || fail "ghostscript is not in Recommends"

if [[ ! -x $base/bin/bash ]]; then
  mirror=$(grep -h -m1 '^URIs:' /etc/apt/sources.list.d/debian.sources | awk '{print $2}')
  command -v debootstrap >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap >/dev/null
  rm -rf "$base"
  debootstrap --variant=minbase bookworm "$base" "$mirror" >/tmp/kfresh-debootstrap.log 2>&1 \
    || fail "debootstrap failed (see /tmp/kfresh-debootstrap.log)"
fi
unmount() { for m in proc dev/pts dev; do umount -l "$root/$m" 2>/dev/null || true; done; }
trap unmount EXIT
unmount
! grep -q " $root/" /proc/mounts || fail "$root is still mounted"
rm -rf "$root"
cp -a "$base" "$root"
cp /etc/apt/sources.list.d/debian.sources "$root/etc/apt/sources.list.d/"
rm -f "$root/etc/apt/sources.list"
cp /etc/apt/apt.conf.d/99artifact-registry "$root/etc/apt/apt.conf.d/" 2>/dev/null || true
cp /etc/resolv.conf "$root/etc/resolv.conf"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
mount -t proc proc "$root/proc"
install -m 644 "$deb" "$root/tmp/"

in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive "$@"; }
in_root apt-get update -qq
in_root apt-get install -y -qq "/tmp/$(basename "$deb")" >"$root/tmp/apt.log" 2>&1 \
  || { tail -20 "$root/tmp/apt.log"; fail "apt could not install the package"; }

# As the user nobody: the installed examples are read-only, so the run there
# stops orderly; a copy runs, and the Si example reaches its scan in ../hasylab.
in_root /usr/bin/setpriv --reuid=65534 --regid=65534 --clear-groups \
    /usr/bin/env HOME=/tmp/user /bin/bash -euc '
  test -f /usr/share/man/man1/kavro99.1.gz
  kavro99 --help >/dev/null
  status=0; kavro99 run /usr/share/kavro99/examples/yig.inp >/dev/null 2>&1 || status=$?
  [ "$status" = 2 ] || { echo "run in the read-only examples: exit $status, expected 2"; exit 1; }
  mkdir -p /tmp/user && cp -r /usr/share/kavro99 /tmp/user/kavro99 && cd /tmp/user/kavro99
  kavro99 run examples/yig.inp --png
  kavro99 run examples/si222.inp
  for f in examples/yig.lis examples/yig.cal examples/yig.ps examples/yig.png \
           examples/si222.lis hasylab/scans/si222ag2.cal examples/si222ag2.ps; do
    [ -s "$f" ] || { echo "missing: $f"; exit 1; }
  done' || fail "the installed program failed"

# The installed program computes what the build computes.
results=$root/tmp/user/kavro99
cmp "$results/examples/yig.cal" tests/golden/yig/examples/yig.cal || fail "yig.cal differs from the stored output"
cmp "$results/hasylab/scans/si222ag2.cal" tests/golden/si222/hasylab/scans/si222ag2.cal \
  || fail "si222ag2.cal differs from the stored output"
unmount
! grep -q " $root/" /proc/mounts && rm -rf "$root"
echo "check-deb: the package installs on a fresh Debian 12 and runs its examples"
