#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Pellasto developers
# SPDX-License-Identifier: Apache-2.0
# The bullseye leg: proves that a Linux release runs on an older glibc
# (Debian 11, glibc 2.31): the archive's own bin/pellasto-check, exactly as
# shipped, checks the archive's shaders/Pellasto.so inside a Debian 11 root.
# Nothing is built there.
#
#   bash scripts/bullseye.sh ARCHIVE
#   bash scripts/bullseye.sh --root-only   (step 1 alone, ahead of the leg)
#
# ARCHIVE is a Linux x86-64 release archive (Pellasto-<version>-linux-x64.tar.gz).
# Needs root (debootstrap, chroot, mount).
#
# 1. Makes build/bullseye/root with debootstrap (minbase: the C library and
#    little else) from http://deb.debian.org/debian, or reuses it when a
#    previous run finished it (build/bullseye/root.stamp, written last).
# 2. Unpacks ARCHIVE into the root.
# 3. Runs its bin/pellasto-check in the root with no argument, so that it
#    checks the module beside it, with /proc mounted for the run only (the
#    program finds the module beside itself through /proc/self/exe).
# Exit status: the program's (0 when every check holds; the loader's when
# the program cannot start); 1 when the leg could not get that far (no root,
# no bullseye, not a release archive), with one line saying why.
set -euo pipefail

# The program run in the root, in the archive's bin/.
PROGRAM=pellasto-check

SUITE=bullseye
MIRROR=${BULLSEYE_MIRROR:-http://deb.debian.org/debian}
# What the root needs beyond minbase: nothing (the program links its C++
# runtime in and needs only the C library).
INCLUDE=
# A mirror that stops answering must not hold CI for wget's own time-outs.
DEBOOTSTRAP_TIMEOUT=1200

cd "$(dirname "$0")/.."
repo=$(pwd -P)  # the physical path: /proc/mounts names mounts by it
work=$repo/build/bullseye
root=$work/root
stamp=$work/root.stamp
started=$SECONDS

say() { echo "bullseye: $*"; }
die() {
  echo "bullseye: $*" >&2
  exit 1
}

# Unmounts whatever is still mounted under the root (our /proc, or what an
# interrupted debootstrap left), deepest first.
unmount_all() {
  [ -d "$root" ] || return 0
  local m
  awk -v r="$root/" 'index($2, r) == 1 { print $2 }' /proc/mounts | sort -r |
    while read -r m; do umount "$m" 2>/dev/null || umount -l "$m" || true; done
}

if [ $# -ne 1 ]; then
  echo "usage: bash scripts/bullseye.sh ARCHIVE | --root-only   (ARCHIVE: a Linux x86-64 release .tar.gz)" >&2
  exit 2
fi
root_only=0
if [ "$1" = --root-only ]; then
  root_only=1
else
  archive=$1
  [ -f "$archive" ] || die "no such file: $archive"
  archive=$(realpath "$archive")
fi

[ "$(id -u)" -eq 0 ] || die "the bullseye leg needs root (debootstrap, chroot)"

mkdir -p "$work"
# One run at a time per work tree: two runs would share the root.
exec 9>"$work/lock"
flock 9

scratch=$(mktemp -d "$work/run.XXXXXX")
bootstrap_pid=
# shellcheck disable=SC2317 # run by the EXIT trap
cleanup() {
  local status=$?
  if [ -n "$bootstrap_pid" ]; then
    # timeout hands the signal on to debootstrap and what it runs.
    kill -TERM "$bootstrap_pid" 2>/dev/null || true
    wait "$bootstrap_pid" 2>/dev/null || true
    say "debootstrap stopped; the unfinished root is made again on the next run"
  fi
  unmount_all
  rm -rf "$scratch"
  local what=leg
  [ $root_only -eq 0 ] || what="making the root"
  say "$what took $((SECONDS - started)) s (exit status $status)"
  exit "$status"
}
trap cleanup EXIT
trap 'echo "bullseye: failed at line $LINENO: $BASH_COMMAND" >&2' ERR
trap 'exit 130' INT
trap 'exit 143' TERM

# The release: one folder holding bin/pellasto-check and shaders/Pellasto.so.
if [ $root_only -eq 0 ]; then
  case "$archive" in
    *.tar.gz | *.tgz) ;;
    *) die "$archive is not a release archive (.tar.gz)" ;;
  esac
  members=$(tar -tzf "$archive") || die "$archive cannot be read as a .tar.gz"
  top=$(sed -n 's#^\([^/]*\)/.*#\1#p' <<<"$members" | sort -u)
  if [ -z "$top" ] || [ "$(wc -l <<<"$top")" -ne 1 ]; then
    die "$archive does not unpack into one folder"
  fi
  for file in bin/$PROGRAM shaders/Pellasto.so; do
    grep -qx "$top/$file" <<<"$members" || die "$archive holds no $top/$file"
  done
fi

# 1. The root.
want_stamp="$SUITE minbase $INCLUDE"
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$want_stamp" ] && [ -x "$root/usr/bin/env" ]; then
  say "reusing the Debian 11 root $root (made $(date -r "$stamp" '+%F %T'))"
else
  if ! command -v debootstrap >/dev/null && [ ! -x /usr/sbin/debootstrap ]; then
    say "installing debootstrap (apt-get)"
    export DEBIAN_FRONTEND=noninteractive
    # From the package lists as they are, or else after refreshing them.
    if ! apt-get install -y -q debootstrap >"$scratch/apt.log" 2>&1; then
      apt-get update -q >>"$scratch/apt.log" 2>&1 || true
      if ! apt-get install -y -q debootstrap >>"$scratch/apt.log" 2>&1; then
        tail -n 5 "$scratch/apt.log" >&2
        die "debootstrap is not installed and apt-get could not install it"
      fi
    fi
  fi
  PATH=$PATH:/usr/sbin:/sbin
  # An unfinished root from an earlier run: start again.
  rm -f "$stamp"
  unmount_all
  rm -rf --one-file-system "$root"
  log=$work/debootstrap.log
  say "making a Debian 11 root with debootstrap from $MIRROR (minbase${INCLUDE:+ + $INCLUDE}; log: $log)"
  t0=$SECONDS
  # In the background and waited for, so that an interrupted leg stops it
  # (cleanup) rather than waiting for it to finish.
  timeout "$DEBOOTSTRAP_TIMEOUT" debootstrap --variant=minbase ${INCLUDE:+--include="$INCLUDE"} \
    "$SUITE" "$root" "$MIRROR" >"$log" 2>&1 &
  bootstrap_pid=$!
  status=0
  wait "$bootstrap_pid" || status=$?
  bootstrap_pid=
  if [ $status -ne 0 ]; then
    # debootstrap's own log inside the root has the details of a failed step
    # (for a download, wget's reason).
    if [ -f "$root/debootstrap/debootstrap.log" ]; then
      cat "$root/debootstrap/debootstrap.log" >>"$log"
    fi
    unmount_all
    if [ $status -eq 124 ]; then
      why="debootstrap did not finish in $DEBOOTSTRAP_TIMEOUT s"
    else
      why=$(grep -E '^E: ' "$log" | tail -n 1 || true)
      wget_why=$(grep -E '^failed: |ERROR [0-9]+' "$log" | tail -n 1 || true)
      why=${why:-debootstrap failed (exit status $status)}${wget_why:+ ($wget_why)}
    fi
    echo "--- last lines of $log" >&2
    tail -n 15 "$log" >&2
    die "bullseye could not be fetched from $MIRROR: $why"
  fi
  unmount_all
  # The downloaded packages are installed now; only the root's size needs them.
  rm -f "$root"/var/cache/apt/archives/*.deb
  say "debootstrap took $((SECONDS - t0)) s; the root takes $(du -sh --one-file-system "$root" | cut -f1)"
  echo "$want_stamp" >"$stamp"
fi
[ $root_only -eq 0 ] || exit 0

# Commands in the root see the root's own environment only.
in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LC_ALL=C "$@"; }

# 2. The release, unpacked into the root as shipped.
rm -rf "$root/pellasto"
mkdir -p "$root/pellasto"
tar -xzf "$archive" -C "$root/pellasto"
program=/pellasto/$top/bin/$PROGRAM
glibc=$(in_root ldd --version)
glibc=${glibc%%$'\n'*}
glibc_version=${glibc##* }
say "root's C library: $glibc"
# (Read here: the root has no binutils.)
for file in "bin/$PROGRAM" shaders/Pellasto.so; do
  needs=$(objdump -T "$root/pellasto/$top/$file" | grep -oE 'GLIBC_[0-9.]+' | sort -uV |
    tail -n 1 || true)
  say "$top/$file asks for glibc up to ${needs:-nothing}"
done

mount -t proc proc "$root/proc"
say "running $program in the root"
# Straight to chroot inside a group whose own stderr is dropped: the shell's
# "Aborted" notice goes there, the program's output to the log.
status=0
{ chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LC_ALL=C \
  "$program" >"$scratch/run.log" 2>&1 || status=$?; } 2>/dev/null
umount "$root/proc"
sed 's/^/  | /' "$scratch/run.log"

if [ $status -eq 0 ]; then
  say "the shipped $PROGRAM passed on glibc $glibc_version: every check passed"
  exit 0
fi
if [ $status -gt 128 ]; then
  how="killed by SIG$(kill -l $((status - 128)) 2>/dev/null || echo $((status - 128)))"
else
  how="exit status $status"
fi
# The loader's own message, without what the program put before it.
loader=$(grep -m 1 -E "version \`GLIBC_|cannot open shared object|undefined symbol|cannot load" \
  "$scratch/run.log" | sed 's/^.*cannot load //' || true)
if [ -n "$loader" ] && [[ $loader == "$program:"* ]]; then
  # The loader's message about the program itself: it never started.
  echo "bullseye: the shipped $PROGRAM does not start on glibc $glibc_version ($how): $loader" >&2
elif [ -n "$loader" ]; then
  echo "bullseye: Pellasto.so failed to load on glibc $glibc_version ($how): $loader" >&2
else
  echo "bullseye: $PROGRAM failed on glibc $glibc_version ($how)" >&2
fi
exit $status
