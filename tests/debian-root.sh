# shellcheck shell=bash
# Sourced by tests/vm/run and .ci/quick-start-debian13: a fresh Debian root
# file system from Debian's package registry, and commands run in it.
debian_mirror=http://deb.debian.org/debian

# make_debian_root CODENAME DIR: debootstrap's minbase, with the codename's
# main, updates and security sources; debootstrap's output if it fails.
make_debian_root() {
  debootstrap --variant=minbase "$1" "$2" "$debian_mirror" >"$2.log" 2>&1 ||
    { tail -n 30 "$2.log" && rm -f "$2.log" && return 1; }
  rm -f "$2.log"
  cat >"$2/etc/apt/sources.list" <<LIST
deb $debian_mirror $1 main
deb $debian_mirror $1-updates main
deb http://deb.debian.org/debian-security $1-security main
LIST
}

mount_debian_root() { mount -t proc proc "$1/proc" && mount --bind /dev "$1/dev"; }

# unmount_debian_root DIR: ends what still runs in DIR, then unmounts all
# that is mounted under it, deepest first (/proc/mounts writes a space as \040).
unmount_debian_root() {
  local process point
  for process in /proc/[0-9]*; do
    if [ "$(readlink "$process/root" 2>/dev/null)" = "$1" ]; then
      kill -9 "${process#/proc/}" 2>/dev/null || true
    fi
  done
  awk -v dir="$1/" 'index($2, dir) == 1 { print $2 }' /proc/mounts | sort -r |
    while read -r point; do
      printf -v point '%b' "$point"
      umount "$point" || umount -l "$point"
    done
}

# in_debian_root DIR COMMAND...: as root there, in a clean environment.
in_debian_root() {
  chroot "$1" /usr/bin/env -i HOME=/root TERM=dumb LANG=C.UTF-8 \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin "${@:2}"
}
