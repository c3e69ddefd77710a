#!/bin/sh
# wine32-run.sh QEMU WINE PREFIX [PROGRAM [ARGS...]]
# Runs a 32-bit Windows program under WINE (the i386 wine loader) on a kernel
# that cannot execute 32-bit x86 code itself. Every i386 ELF program started
# in the process tree (the loader and anything wine starts) is handed to
# the user-mode emulator QEMU through a binfmt_misc instance of a private
# user and mount namespace: nothing machine-wide is registered or changed,
# and the registration ends with the process tree. The rest is
# wine-run.sh's: PREFIX is created once, and without a PROGRAM only that
# happens (the build does it in a step of its own).
set -eu
[ $# -ge 3 ] || {
  echo "usage: wine32-run.sh QEMU WINE PREFIX [PROGRAM [ARGS...]]" >&2
  exit 2
}
qemu=$1 wine=$2 prefix=$3
shift 3
case $prefix in /*) ;; *) prefix=$PWD/$prefix ;; esac # wine wants it absolute
here=$(cd "$(dirname "$0")" && pwd)
# Magic and mask of a 32-bit little-endian ELF executable or shared object
# for machine 3 (i386); the kernel decodes the \x escapes. Flags: P keeps
# argv[0], O hands qemu an open descriptor (so unreadable binaries work),
# F opens qemu now, so the registration works whatever the namespace sees.
# shellcheck disable=SC2016 # the inner script expands its own arguments
exec unshare --user --map-root-user --mount -- sh -euc '
  qemu=$1 run=$2
  shift 2
  mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
  printf "%s" ":pellasto-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:$qemu:POF" \
    >/proc/sys/fs/binfmt_misc/register
  exec sh "$run" "$@"
' wine32-run "$qemu" "$here/wine-run.sh" "$wine" "$prefix" "$@"
