#!/bin/sh
# SPDX-FileCopyrightText: 2026 The Pellasto developers
# SPDX-License-Identifier: Apache-2.0
# wine32-run.sh QEMU WINE PREFIX [PROGRAM [ARGS...]]
# Runs a 32-bit Windows program under WINE (the i386 wine loader) on a kernel
# that cannot execute 32-bit x86 code itself: binfmt-run.sh hands the
# loader and anything wine starts to the user-mode emulator QEMU. The rest is
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
exec sh "$here/binfmt-run.sh" i386 "$qemu" sh "$here/wine-run.sh" "$wine" "$prefix" "$@"
