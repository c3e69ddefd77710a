#!/usr/bin/env bash
# The bullseye leg: proves that a Linux Pellasto.so loads and shades on an
# older glibc (Debian 11, glibc 2.31), by running pellasto-check (the
# project's program host) against it inside a Debian 11 root.
#
#   bash scripts/bullseye.sh MODULE
#
# MODULE is a Pellasto.so, or a release archive (*.tar.gz) from which
# */shaders/Pellasto.so is taken. Needs root (debootstrap, chroot, mount).
#
# 1. Makes build/bullseye/root with debootstrap (minbase and a C++ compiler)
#    from http://deb.debian.org/debian, or reuses it when a previous run
#    finished it (build/bullseye/root.stamp, written last).
# 2. Copies pellasto-check's sources (PROGRAM_SOURCES below) into the root
#    and builds them there with the root's own g++ and the root's CLI11 and
#    nlohmann-json headers.
# 3. Puts MODULE beside the program and runs the program in the root, with
#    /proc mounted for the run only (the harness finds the module beside the
#    program through /proc/self/exe).
# Exit status: the program's (0 when every check holds); 1 when the leg could
# not get that far (no root, no bullseye, no compile), with one line saying why.
set -euo pipefail

# The program run in the root, and every file it is built from (the .cpp files
# are compiled, the rest only copied), relative to the repository.
PROGRAM=pellasto-check
PROGRAM_SOURCES=(tools/check/src/*.cpp tools/check/src/*.h
  tools/check/src/host_functions.list harness/host_math.cpp harness/host_module.cpp harness/module.cpp harness/sample.cpp
  harness/*.h host/*.h shader/*.h)
# What the program links with beyond the C++ runtime; the dynamic list exports
# the program's host functions from its own image, as the CMake build does.
PROGRAM_LINK=(-Wl,--dynamic-list=/pellasto/src/tools/check/src/host_functions.list
  -ldl -pthread)
# The header CMake generates from cmake/templates/pellasto_version.h.in.
VERSION_TEMPLATE=cmake/templates/pellasto_version.h.in

SUITE=bullseye
MIRROR=${BULLSEYE_MIRROR:-http://deb.debian.org/debian}
# What the root needs beyond minbase: a C++17 compiler and the C library's
# headers (g++ brings binutils, libstdc++'s headers and the rest), and
# nlohmann-json. Debian 11 has no CLI11 package: its headers (header-only)
# are copied from this machine's libcli11-dev (CLI11_HEADERS).
INCLUDE=g++,libc6-dev,nlohmann-json3-dev
CLI11_HEADERS=/usr/include/CLI
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
  echo "usage: bash scripts/bullseye.sh MODULE   (a Pellasto.so, or a release .tar.gz holding */shaders/Pellasto.so)" >&2
  exit 2
fi
module_arg=$1
[ -f "$module_arg" ] || die "no such file: $module_arg"
module_arg=$(realpath "$module_arg")

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
  say "leg took $((SECONDS - started)) s (exit status $status)"
  exit "$status"
}
trap cleanup EXIT
trap 'echo "bullseye: failed at line $LINENO: $BASH_COMMAND" >&2' ERR
trap 'exit 130' INT
trap 'exit 143' TERM

# The module: the file itself, or the one inside the release archive.
case "$module_arg" in
  *.tar.gz | *.tgz)
    members=$(tar -tzf "$module_arg" | grep -E '(^|/)shaders/Pellasto\.so$' || true)
    [ -n "$members" ] || die "$module_arg holds no */shaders/Pellasto.so"
    [ "$(wc -l <<<"$members")" -eq 1 ] || die "$module_arg holds more than one */shaders/Pellasto.so"
    tar -xzf "$module_arg" -C "$scratch" "$members"
    module=$scratch/$members
    ;;
  *) module=$module_arg ;;
esac
[ "$(head -c 4 "$module" | od -An -c | tr -d ' ')" = '177ELF' ] ||
  die "$module_arg is not an ELF shared object (nor a .tar.gz)"

# 1. The root.
want_stamp="$SUITE minbase $INCLUDE"
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$want_stamp" ] && [ -x "$root/usr/bin/g++" ]; then
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
  say "making a Debian 11 root with debootstrap from $MIRROR (minbase + $INCLUDE; log: $log)"
  t0=$SECONDS
  # In the background and waited for, so that an interrupted leg stops it
  # (cleanup) rather than waiting for it to finish.
  timeout "$DEBOOTSTRAP_TIMEOUT" debootstrap --variant=minbase --include="$INCLUDE" \
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

# Commands in the root see the root's own environment only.
in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LC_ALL=C "$@"; }

# 2. The program, built from the current sources by the root's compiler.
rm -rf "$root/pellasto"
mkdir -p "$root/pellasto/src" "$root/pellasto/bin"
compile=()
for f in "${PROGRAM_SOURCES[@]}"; do
  [ -f "$f" ] || die "a source of $PROGRAM is missing: $f"
  mkdir -p "$root/pellasto/src/$(dirname "$f")"
  cp "$f" "$root/pellasto/src/$f"
  case "$f" in *.cpp) compile+=("/pellasto/src/$f") ;; esac
done
[ -f "$CLI11_HEADERS/CLI.hpp" ] || die "no CLI11 headers in $CLI11_HEADERS (libcli11-dev)"
cp -r "$CLI11_HEADERS" "$root/pellasto/src/CLI"
# The version header, as CMake would make it for this platform.
version=$(sed -n 's/^project(Pellasto VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || die "no project(Pellasto VERSION ...) in CMakeLists.txt"
sed -e "s/@PROJECT_VERSION@/$version/" -e "s/@PELLASTO_PLATFORM@/linux-x64/" \
  "$VERSION_TEMPLATE" >"$root/pellasto/src/pellasto_version.h"
# (Whole outputs, then their first lines: head would close the pipe early.)
compiler=$(in_root g++ --version)
compiler=${compiler%%$'\n'*}
say "building $PROGRAM with $compiler"
# -Wall -Wextra as the project's own builds, but not -Werror: an older
# compiler's new opinions are not what this leg is about.
if ! in_root g++ -std=c++17 -O2 -Wall -Wextra -I/pellasto/src -o "/pellasto/bin/$PROGRAM" \
  "${compile[@]}" "${PROGRAM_LINK[@]}" >"$scratch/compile.log" 2>&1; then
  # The compiler's paths as the repository's own.
  sed -i 's#/pellasto/src/##g' "$scratch/compile.log"
  cat "$scratch/compile.log" >&2
  first=$(grep -m 1 'error' "$scratch/compile.log" || tail -n 1 "$scratch/compile.log")
  die "$PROGRAM does not compile with bullseye's $compiler: $first"
fi
sed 's#/pellasto/src/##g' "$scratch/compile.log"

# 3. The module beside it, and the run.
cp "$module" "$root/pellasto/bin/Pellasto.so"
glibc=$(in_root ldd --version)
glibc=${glibc%%$'\n'*}
glibc_version=${glibc##* }
say "root's C library: $glibc"
needs=$(in_root objdump -T /pellasto/bin/Pellasto.so | grep -oE 'GLIBC_[0-9.]+' | sort -uV | tr "\n" " " || true)
say "Pellasto.so asks for: ${needs% }"

mount -t proc proc "$root/proc"
say "running /pellasto/bin/$PROGRAM in the root"
# Straight to chroot inside a group whose own stderr is dropped: the shell's
# "Aborted" notice goes there, the program's output to the log.
status=0
{ chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LC_ALL=C \
  "/pellasto/bin/$PROGRAM" >"$scratch/run.log" 2>&1 || status=$?; } 2>/dev/null
umount "$root/proc"
sed 's/^/  | /' "$scratch/run.log"

if [ $status -eq 0 ]; then
  say "$PROGRAM passed on glibc $glibc_version: every check passed"
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
if [ -n "$loader" ]; then
  echo "bullseye: Pellasto.so failed to load on glibc $glibc_version ($how): $loader" >&2
else
  echo "bullseye: $PROGRAM failed on glibc $glibc_version ($how)" >&2
fi
exit $status
