#!/bin/sh
# i386-binfmt-run.sh QEMU COMMAND [ARGS...]
# Runs COMMAND on a kernel that cannot execute 32-bit x86 code itself, with
# every i386 ELF program started in its process tree (COMMAND itself, if it
# is one, and whatever it starts) handed to the user-mode emulator QEMU
# through a binfmt_misc instance of a private user and mount namespace:
# nothing machine-wide is registered or changed, and the registration ends
# with the process tree.
set -eu
[ $# -ge 2 ] || {
  echo "usage: i386-binfmt-run.sh QEMU COMMAND [ARGS...]" >&2
  exit 2
}
qemu=$1
shift
# Magic and mask of a 32-bit little-endian ELF executable or shared object
# for machine 3 (i386); the kernel decodes the \x escapes. Flags: P keeps
# argv[0], O hands qemu an open descriptor (so unreadable binaries work),
# F opens qemu now, so the registration works whatever the namespace sees.
# shellcheck disable=SC2016 # the inner script expands its own arguments
exec unshare --user --map-root-user --mount -- sh -euc '
  qemu=$1
  shift
  mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
  printf "%s" ":pellasto-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:$qemu:POF" \
    >/proc/sys/fs/binfmt_misc/register
  exec "$@"
' i386-binfmt-run "$qemu" "$@"
