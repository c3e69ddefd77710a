#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Pellasto developers
# SPDX-License-Identifier: Apache-2.0
# Installs the Debian packages the builds, tests and tools need, and the
# private qemu-i386 that runs the 32-bit Windows tests. Idempotent: when
# everything is already there it touches nothing.
set -euo pipefail

# Installed without recommended packages: whatever a leg needs is named here.
packages=(
  cmake make g++ clang clang-format clang-tidy git
  # the sanitizer and fuzz legs' runtimes (only recommended by clang)
  libclang-rt-14-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libpng-dev libxml2-dev valgrind
  # the preview
  libcairo2-dev fonts-dejavu-core libcli11-dev pkg-config
  # pellasto-check (CLI11 above too)
  nlohmann-json3-dev
  # the gcc11 leg
  g++-11
  # the no-dpkg leg hides Debian's package tools from the build
  bubblewrap
  # the binary checks: checksec and hardening-check (devscripts) for ELF,
  # pesec and readpe (pev) for PE
  checksec devscripts pev
  # cross legs
  g++-12-multilib linux-libc-dev:i386 qemu-user g++-aarch64-linux-gnu
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine64
  # windows-x86 runs the i386 wine loader (its wineserver is wine64's)
  wine32:i386
  # the bullseye leg's Debian 11 root, checked against Debian's keys
  debootstrap debian-archive-keyring
  # the release: throwaway signing certificates (openssl), the bills of
  # materials checked against their schema (python3-jsonschema), and the
  # lint leg's licence check (reuse); signing with a key on a PKCS#11 token
  # (libp11's engine), tried in the release check on a SoftHSM token
  openssl python3-jsonschema reuse libengine-pkcs11-openssl softhsm2
)

# Debian 12's gcc-multilib and g++-multilib conflict with every cross
# compiler, aarch64's included, although all they add to the 32-bit compilers
# (g++-12-multilib) is /usr/include/asm, a link to the 64-bit kernel headers
# for -m32. The i386 kernel headers (linux-libc-dev:i386, where -m32 looks
# first) do the same job, so those two are removed where they are installed.
conflicting=(gcc-multilib g++-multilib)

# The windows-x86 leg needs a qemu-i386 that honours MAP_FIXED_NOREPLACE
# (qemu 8 or later; bookworm's own 7.2 does not, and wine cannot start under
# it). The static one of the backports suite's qemu-user is unpacked into a
# folder of its own, so the system's qemu stays as it is; the toolchain
# (cmake/toolchains/windows-x86.cmake) looks there.
qemu_dir=/opt/pellasto/qemu
codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
backports=${codename}-backports
# A source file of our own: the system's own apt sources are left alone.
backports_file=/etc/apt/sources.list.d/pellasto-backports.sources
backports_source="Types: deb
URIs: http://deb.debian.org/debian
Suites: ${backports}
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg"

need_i386=0 need_source=0 need_qemu=0
dpkg --print-foreign-architectures | grep -qx i386 || need_i386=1
[ "$(cat "$backports_file" 2>/dev/null)" = "$backports_source" ] || need_source=1
[ -x "$qemu_dir/bin/qemu-i386" ] || need_qemu=1
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
# From the backports suite: osslsigncode 2.9, which signs the release's PE
# files (bookworm's own is 2.5).
backports_packages=(osslsigncode)
for p in "${backports_packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' ||
    missing+=("$p/$backports")
done
removing=()
for p in "${conflicting[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' && removing+=("$p-")
done
if [ ${#missing[@]} -eq 0 ] && [ ${#removing[@]} -eq 0 ] && [ $need_i386 -eq 0 ] &&
  [ $need_source -eq 0 ] && [ $need_qemu -eq 0 ]; then
  exit 0
fi
if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: missing packages (${missing[*]:-none}), conflicting packages" \
    "(${removing[*]:-none}), i386 architecture" \
    "($need_i386), $backports source ($need_source) or $qemu_dir ($need_qemu);" \
    "run as root to install them" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
if [ $need_i386 -eq 1 ]; then
  echo "install-deps: adding the i386 architecture"
  dpkg --add-architecture i386
fi
if [ $need_source -eq 1 ]; then
  echo "install-deps: adding the $backports suite as $backports_file"
  printf '%s\n' "$backports_source" >"$backports_file"
fi
# A mirror caught mid-sync can fail one index (seen: bookworm-security's i386
# list); the others are still good, so go on and let the install decide.
# apt's own progress lines are shown, one a line (no bars redrawn in place),
# so that a CI log says what is being fetched and unpacked.
apt=(apt-get -o Dpkg::Progress-Fancy=0 -o Dpkg::Use-Pty=0 -o APT::Color=0)
updated=1
echo "install-deps: apt-get update"
"${apt[@]}" update || {
  updated=0
  echo "install-deps: apt-get update failed for some index; going on with the lists it has" >&2
}
if [ ${#missing[@]} -gt 0 ] || [ ${#removing[@]} -gt 0 ]; then
  # What is missing, a line per group of the list above (the group's comment
  # is not kept: the packages name themselves).
  echo "install-deps: installing ${#missing[@]} packages (and what they depend on):"
  printf '%s\n' "${missing[@]}" | paste -d' ' - - - - - - | sed 's/^/install-deps:   /'
  [ ${#removing[@]} -eq 0 ] || echo "install-deps: removing ${removing[*]%-}"
  missing+=("${removing[@]}")
  if ! "${apt[@]}" install -y -q --no-install-recommends "${missing[@]}"; then
    [ $updated -eq 0 ] || exit 1
    # Without one architecture's security list, amd64 and i386 cannot agree
    # on the versions of the libraries they share. For this one command
    # (a private preferences folder; nothing machine-wide changes) the main
    # suite's versions come first, which both architectures have.
    echo "install-deps: retrying with the main suite's versions for both architectures" >&2
    prefs=$(mktemp -d)
    printf 'Package: *\nPin: release l=Debian-Security\nPin-Priority: 100\n' >"$prefs/main-first.pref"
    "${apt[@]}" install -y -q --no-install-recommends \
      -o Dir::Etc::PreferencesParts="$prefs" "${missing[@]}"
    rm -rf "$prefs"
  fi
fi
if [ $need_qemu -eq 1 ]; then
  echo "install-deps: unpacking qemu-i386 of qemu-user/$backports into $qemu_dir"
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  (cd "$work" && "${apt[@]}" download -q "qemu-user/$backports")
  deb=$(ls "$work"/qemu-user_*.deb)
  dpkg-deb -x "$deb" "$work/root"
  mkdir -p "$qemu_dir/bin"
  install -m 755 "$work/root/usr/bin/qemu-i386" "$qemu_dir/bin/qemu-i386.new"
  mv "$qemu_dir/bin/qemu-i386.new" "$qemu_dir/bin/qemu-i386"
  dpkg-deb -f "$deb" Package Version >"$qemu_dir/SOURCE"
fi
echo "install-deps: done"
