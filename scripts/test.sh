#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Pellasto developers
# SPDX-License-Identifier: Apache-2.0
# Runs every test leg this machine can run and says which ran and which were
# skipped. With --require-all (CI), a skipped leg is a failure.
set -uo pipefail
cd "$(dirname "$0")/.."

require_all=0
[ "${1:-}" = "--require-all" ] && require_all=1

bash scripts/install-deps.sh || echo "test: could not install every package; legs may be skipped"

ran=() skipped=() failed=() times=()

# leg NAME WHY-SKIPPED-OR-EMPTY COMMAND...
leg() {
  local name=$1 missing=$2; shift 2
  if [ -n "$missing" ]; then
    skipped+=("$name ($missing)")
    return
  fi
  echo "=== leg $name: $*"
  local t0=$SECONDS
  if "$@"; then ran+=("$name"); else failed+=("$name"); fi
  # With the load of the machine at the end: a shared machine's times vary.
  times+=("$name $((SECONDS - t0)) s (load $(cut -d' ' -f1 /proc/loadavg 2>/dev/null || echo ?))")
}

have() { command -v "$1" >/dev/null 2>&1; }

leg dev "" cmake --workflow --preset dev
# The README's preview commands in a fresh clone of the committed tree.
leg main-job "" ctest --preset main-job
# Debian's package tools (dpkg, dpkg-query and their database) hidden, as on
# another system; with --bare, also every optional library (their headers,
# GoogleTest and the binary checkers).
hidden() {
  local hide=(--tmpfs /var/lib/dpkg --ro-bind /dev/null /usr/bin/dpkg
    --ro-bind /dev/null /usr/bin/dpkg-query)
  if [ "$1" = --bare ]; then
    shift
    hide+=(--tmpfs /usr/include/CLI --tmpfs /usr/include/nlohmann
      --tmpfs /usr/include/gtest --tmpfs /usr/include/gmock --tmpfs /usr/src/googletest
      --tmpfs /usr/lib/x86_64-linux-gnu/cmake/GTest --tmpfs /usr/include/libxml2
      --ro-bind /dev/null /usr/bin/checksec --ro-bind /dev/null /usr/bin/hardening-check)
  fi
  bwrap --dev-bind / / "${hide[@]}" -- "$@"
}
no_bwrap() { have bwrap || echo 'bwrap not installed (bubblewrap)'; }
# The oldest GCC kept building, in the README's plain build (no preset, the
# default build type) with Debian's package tools hidden: the module,
# pellasto-check, the preview and the tests. Warnings still fail it here.
gcc11() {
  CXX=g++-11 hidden bash scripts/plain-build.sh build/gcc11 -DPELLASTO_WARNINGS_AS_ERRORS=ON
}
leg gcc11 "$(have g++-11 || echo 'g++-11 not installed')$(no_bwrap)" gcc11
# The plain build with none of the optional libraries either, which must still
# build the module and say what it left out.
leg no-dpkg "$(no_bwrap)" hidden --bare bash scripts/plain-build.sh --module-only build/no-dpkg
lint_missing() {
  have clang-format || { echo 'clang-format not installed'; return; }
  have clang-tidy || echo 'clang-tidy not installed'
}
leg lint "$(lint_missing)" bash scripts/lint.sh build/linux-x64
leg asan "$(have clang++ || echo 'clang++ not installed')" cmake --workflow --preset asan
# The bullseye leg's Debian 11 root is made beside the fuzz leg, whose
# fuzzing keeps one core busy and leaves the other to debootstrap. The
# bullseye leg takes the root when it is done (or, when this failed, tries
# again itself and says why).
root_ahead=
if [ "$(id -u)" -eq 0 ]; then
  mkdir -p build/bullseye
  bash scripts/bullseye.sh --root-only >build/bullseye/root-ahead.log 2>&1 &
  root_ahead=$!
  trap '[ -z "$root_ahead" ] || kill "$root_ahead" 2>/dev/null' EXIT
fi
leg fuzz "$(have clang++ || echo 'clang++ not installed')" cmake --workflow --preset fuzz
leg tsan "$(have clang++ || echo 'clang++ not installed')" cmake --workflow --preset tsan

# Cross legs: each needs its compilers and an emulator that runs its tests.
m32_missing() {
  have qemu-i386 || { echo 'qemu-i386 not installed (qemu-user)'; return; }
  echo 'int main(){}' | g++ -m32 -x c++ - -o /dev/null 2>/dev/null ||
    echo 'g++ -m32 cannot link (g++-12-multilib)'
}
wine64_missing() {
  have x86_64-w64-mingw32-g++-posix || { echo 'x86_64-w64-mingw32-g++-posix not installed'; return; }
  have wine64 || [ -x /usr/lib/wine/wine64 ] || echo 'wine64 not installed'
}
arm64_missing() {
  have aarch64-linux-gnu-g++ || { echo 'aarch64-linux-gnu-g++ not installed (g++-aarch64-linux-gnu)'; return; }
  have qemu-aarch64 || echo 'qemu-aarch64 not installed (qemu-user)'
}
leg linux-x86 "$(m32_missing)" cmake --workflow --preset linux-x86
leg linux-arm64 "$(arm64_missing)" cmake --workflow --preset linux-arm64
leg windows-x64 "$(wine64_missing)" cmake --workflow --preset windows-x64
# The 32-bit Windows tests run the i386 wine loader under the private qemu-i386
# (scripts/install-deps.sh), registered in a user namespace of their own.
wine32_missing() {
  have i686-w64-mingw32-g++-posix || { echo 'i686-w64-mingw32-g++-posix not installed'; return; }
  [ -x /usr/lib/wine/wine ] || { echo 'wine32:i386 not installed'; return; }
  [ -x /opt/pellasto/qemu/bin/qemu-i386 ] ||
    { echo '/opt/pellasto/qemu/bin/qemu-i386 not installed'; return; }
  unshare --user --map-root-user --mount true 2>/dev/null ||
    echo 'cannot create a user namespace (unshare --user)'
}
leg windows-x86 "$(wine32_missing)" cmake --workflow --preset windows-x86

# The release archives of all five platforms, packed in the folders the legs
# above built in (what ships is only linked and signed again) and checked as
# users receive them (their programs run under the cross legs' emulators),
# then built once more from a fresh clone elsewhere and compared with them, to
# show every byte is reproducible.
release_missing() { echo "$(m32_missing)$(wine64_missing)$(wine32_missing)$(arm64_missing)"; }
leg release "$(release_missing)" bash scripts/release.sh
leg reproducible "$(release_missing)$(have git || echo 'git not installed')" \
  bash scripts/reproducible.sh
# The Linux x86-64 release module on glibc 2.31, in a Debian 11 root.
bullseye_missing() {
  [ "$(id -u)" -eq 0 ] || { echo 'needs root (debootstrap, chroot)'; return; }
  compgen -G 'build/linux-x64/Pellasto-*-linux-x64.tar.gz' >/dev/null ||
    echo 'no linux-x64 release archive (the release leg failed)'
}
if [ -n "$root_ahead" ]; then
  wait "$root_ahead" || true
  root_ahead=
  sed 's/^/(made ahead) /' build/bullseye/root-ahead.log
fi
leg bullseye "$(bullseye_missing)" \
  bash scripts/bullseye.sh build/linux-x64/Pellasto-*-linux-x64.tar.gz

echo
echo "leg times:    $(IFS=,; echo "${times[*]:-none}" | sed 's/,/, /g')"
echo "legs run:     ${ran[*]:-none}"
echo "legs failed:  ${failed[*]:-none}"
echo "legs skipped: ${skipped[*]:-none}"
if [ ${#failed[@]} -gt 0 ]; then exit 1; fi
if [ $require_all -eq 1 ] && [ ${#skipped[@]} -gt 0 ]; then
  echo "test: every leg must run here"; exit 1
fi
echo "${#ran[@]} passed, ${#failed[@]} failed"
