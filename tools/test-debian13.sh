#!/usr/bin/env bash
# The test command (./dev.sh test, with CI=true) in a fresh Debian 13 root,
# on the committed HEAD of this clone, so that a change is checked on the
# newer Qt, compilers and tools as well as on the machine's own release; then
# the package that its package test built is installed there, its autopkgtests
# run against it, and it is purged again, leaving none of its files behind.
#
#   tools/test-debian13.sh [--dir DIR] [--base TARBALL] [--clone PATH] [--keep]
#
#   --dir DIR       make the root in DIR (default: a new folder under /var/tmp)
#   --base TARBALL  unpack the base root from TARBALL when it exists, and write
#                   it there after debootstrap when it does not: reruns skip
#                   the download (the packages the project needs still come
#                   fresh from the release)
#   --clone PATH    clone into PATH inside the root (default /srv/vorn); for
#                   instance /root/vorn, in root's own home of mode 0700, where
#                   the tests' unprivileged user cannot read the checkout
#   --keep          leave the root in place afterwards, to look around in it
#                   (chroot DIR/root); its file systems are unmounted all the same
#
# Needs root (asks sudo otherwise), debootstrap and a network that reaches
# deb.debian.org. Exits with the test command's status.
set -euo pipefail

case "${1:-}" in
  -h | --help) sed -n '2,/^set -euo/{/^#/s/^# \{0,1\}//p}' "$0"; exit 0 ;;
esac
if [ "$(id -u)" -ne 0 ]; then
  exec sudo -- "$0" "$@"
fi

repo=$(git -C "$(dirname "$0")" rev-parse --show-toplevel)
mirror=http://deb.debian.org/debian
dir=""
base=""
clone=/srv/vorn
keep=0
while [ $# -gt 0 ]; do
  case "$1" in
    --dir) dir=$2; shift 2 ;;
    --base) base=$(realpath -m "$2"); shift 2 ;;
    --clone) clone=$2; shift 2 ;;
    --keep) keep=1; shift ;;
    *) echo "usage: $0 [--dir DIR] [--base TARBALL] [--clone PATH] [--keep]" >&2; exit 2 ;;
  esac
done
case "$clone" in
  /*) ;;
  *) echo "--clone takes an absolute path inside the root" >&2; exit 2 ;;
esac
command -v debootstrap >/dev/null || { echo "debootstrap is needed (apt-get install debootstrap)" >&2; exit 2; }

if [ -z "$dir" ]; then
  dir=$(mktemp -d /var/tmp/vorn-debian13.XXXXXX)
else
  mkdir -p "$dir"
  [ -z "$(ls -A "$dir")" ] || { echo "$dir is not empty" >&2; exit 2; }
fi
dir=$(realpath "$dir")
root="$dir/root"
commit=$(git -C "$repo" rev-parse HEAD)
started=$(date +%s)

# Everything the root mounted comes off again however the run ends, deepest
# first, and only then is the root removed: rm must never reach the host's
# /dev or /sys through a mount left behind.
cleanup() {
  local status=$? pid mount
  for pid in /proc/[0-9]*; do
    [ "$(readlink "$pid/root" 2>/dev/null)" = "$root" ] && kill -9 "${pid#/proc/}" 2>/dev/null
  done
  for mount in $(findmnt -rn -o TARGET | grep -F "$root/" | sort -r); do
    umount "$mount" || umount -l "$mount" || true
  done
  if findmnt -rn -o TARGET | grep -qF "$root/"; then
    echo "still mounted under $root; left in place" >&2
  elif [ "$keep" -eq 0 ]; then
    rm -rf --one-file-system "$dir"
  fi
  echo "Debian 13: exit status $status after $(( ($(date +%s) - started + 30) / 60 )) minutes (commit $commit)"
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if [ -n "$base" ] && [ -f "$base" ]; then
  mkdir -p "$root"
  tar -xpf "$base" -C "$root"
else
  debootstrap --variant=minbase trixie "$root" "$mirror"
  if [ -n "$base" ]; then
    mkdir -p "$(dirname "$base")"
    tar -cpf "$base.part" -C "$root" . && mv "$base.part" "$base"
  fi
fi

cp /etc/resolv.conf "$root/etc/resolv.conf"
mount -t proc proc "$root/proc"
mount -t sysfs sysfs "$root/sys"
mount -t devpts -o newinstance,ptmxmode=0666,mode=620 devpts "$root/dev/pts"
mount -t tmpfs -o mode=1777 tmpfs "$root/dev/shm"

# The committed state only: what a clean clone of HEAD holds.
git clone -q --no-checkout "$repo" "$root$clone"
git -C "$root$clone" checkout -q --detach "$commit"
chmod 700 "$root/root"

# In the background and waited for, so that a TERM reaches the clean-up at
# once instead of after the whole test command.
chroot "$root" /usr/bin/env -i HOME=/root LANG=C.UTF-8 CI=true TERM="${TERM:-dumb}" \
  PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
  /bin/bash -c 'set -euo pipefail; cd "$1" && ./dev.sh test
    deb=$(ls build/tests/package/work/vorn_*.deb)
    DEBIAN_FRONTEND=noninteractive apt-get install -y "./$deb"
    dpkg -L vorn | sort >/tmp/vorn-files
    autopkgtest "$deb" . -- null
    DEBIAN_FRONTEND=noninteractive apt-get purge -y vorn
    left=$(while read -r f; do [ -f "$f" ] && echo "$f"; done </tmp/vorn-files || true)
    [ -z "$left" ] || { echo "FAIL: purging vorn left $left"; exit 1; }
    echo "ok: installed, autopkgtests passed, purged without a trace"' vorn "$clone" &
wait $!
