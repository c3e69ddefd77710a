#!/bin/sh
# SPDX-FileCopyrightText: 2026 The Pellasto developers
# SPDX-License-Identifier: Apache-2.0
# binfmt-run.sh MACHINE QEMU [-L PREFIX] COMMAND [ARGS...]
# Runs COMMAND on a kernel that cannot execute MACHINE's code itself (i386 or
# aarch64), with every MACHINE ELF program started in its process tree
# (COMMAND itself, if it is one, and whatever it starts, such as
# pellasto-check's workers) handed to the user-mode emulator QEMU through a
# binfmt_misc instance of a private user and mount namespace: nothing
# machine-wide is registered or changed, and the registration ends with the
# process tree. -L PREFIX is where the emulated programs' loader and libraries
# are (QEMU_LD_PREFIX).
set -eu
[ $# -ge 3 ] || {
  echo "usage: binfmt-run.sh i386|aarch64 QEMU [-L PREFIX] COMMAND [ARGS...]" >&2
  exit 2
}
machine=$1 qemu=$2
shift 2
if [ "$1" = "-L" ]; then
  QEMU_LD_PREFIX=$2
  export QEMU_LD_PREFIX
  shift 2
fi
# Magic and mask of an ELF executable or shared object of the machine; the
# kernel decodes the \x escapes. Flags: P keeps argv[0], O hands qemu an open
# descriptor (so unreadable binaries work), F opens qemu now, so the
# registration works whatever the namespace sees.
case $machine in
  i386)
    magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    ;;
  aarch64)
    magic='\x7fELF\x02\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\xb7\x00'
    mask='\xff\xff\xff\xff\xff\xff\xff\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    ;;
  *)
    echo "binfmt-run.sh: no magic for machine $machine" >&2
    exit 2
    ;;
esac
# shellcheck disable=SC2016 # the inner script expands its own arguments
exec unshare --user --map-root-user --mount -- sh -euc '
  name=$1 magic=$2 mask=$3 qemu=$4
  shift 4
  mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
  printf "%s" ":pellasto-$name:M::$magic:$mask:$qemu:POF" >/proc/sys/fs/binfmt_misc/register
  exec "$@"
' binfmt-run "$machine" "$magic" "$mask" "$qemu" "$@"
