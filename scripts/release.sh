#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Pellasto developers
# SPDX-License-Identifier: Apache-2.0
# Builds the release archives and checks them as a user receives them.
#
#   bash scripts/release.sh [PLATFORM...]
#
# PLATFORM is windows-x86, windows-x64, linux-x64, linux-x86 or linux-arm64
# (default: all five). For each, `cmake --workflow --preset release-PLATFORM`
# configures without tests, builds what ships and packs it into
# build/PLATFORM/, the folder the platform's test preset builds in (dev's for
# linux-x64): after a test build there, what ships is only linked again (and
# signed), since it is compiled with the same flags:
#   Pellasto-<version>-PLATFORM.zip|.tar.gz            the release
#   Pellasto-<version>-PLATFORM-symbols.zip|.tar.gz    its debug symbols
#   release-source.txt   what was built: the commit (when the tree had no
#                        uncommitted change) and the signer; the reproducible
#                        leg compares its own build of that commit with these
# each with a .sha256 beside it, and its bill of materials (CycloneDX 1.6
# JSON, .cdx.json), which the archive also holds. On Windows the PE files are
# signed (cmake/PellastoSign.cmake): with the certificate that
# PELLASTO_SIGN_PKCS12 or PELLASTO_SIGN_PKCS11_MODULE names (README,
# "Signing a release"), else with a throwaway test certificate. Then
# `sha256sum -c` checks the two checksum files, and
# build/PLATFORM/check-release.cmake (tests/cmake/check_release.cmake) the
# install route, the archives' contents against it, the signatures, the bills
# of materials, the shipped module's PE or ELF check, and the shipped
# programs run on the shipped module. A failure anywhere (a missing, wrong or
# expired certificate, a wrong password) stops with its reason and leaves no
# archive of this version in build/PLATFORM/.
# Exit status: 0 when every platform's archives were made and passed.
set -euo pipefail
cd "$(dirname "$0")/.."

# What this release was built from, for scripts/reproducible.sh: the commit,
# when the tree holds nothing else (no uncommitted change, no untracked file),
# and the certificate the PE files were signed with.
source_stamp() {
  local commit=none
  if git rev-parse --is-inside-work-tree >/dev/null 2>&1 &&
    [ -z "$(git status --porcelain --untracked-files=normal)" ]; then
    commit=$(git rev-parse HEAD)
  fi
  echo "commit $commit"
  echo "signer ${PELLASTO_SIGN_PKCS12:-}${PELLASTO_SIGN_PKCS11_MODULE:+ pkcs11 $PELLASTO_SIGN_PKCS11_MODULE ${PELLASTO_SIGN_KEY:-}}"
}

platforms=("$@")
[ ${#platforms[@]} -gt 0 ] || platforms=(windows-x86 windows-x64 linux-x64 linux-x86 linux-arm64)

for platform in "${platforms[@]}"; do
  case $platform in
    windows-x86 | windows-x64 | linux-x64 | linux-x86 | linux-arm64) ;;
    *) echo "release: unknown platform $platform" >&2; exit 2 ;;
  esac
  build=build/$platform
  echo "=== release $platform"
  # The archives of an earlier version must not be taken for this one's, and
  # none is left behind by a release that fails.
  rm -f "$build"/Pellasto-* "$build/release-source.txt"
  trap 'rm -f "$build"/Pellasto-* "$build/release-source.txt"; echo "release: $platform failed; no archive left" >&2' ERR
  stamp=$(source_stamp)
  cmake --workflow --preset "release-$platform"
  # Each archive has its checksum file, and it holds the archive's digest.
  # The version is the project's, as the configure step above recorded it.
  version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
  [ -n "$version" ] || { echo "release: no project version in $build/CMakeCache.txt" >&2; false; }
  extension=tar.gz
  case $platform in windows-*) extension=zip ;; esac
  name=Pellasto-$version-$platform
  (cd "$build" && sha256sum -c "$name.$extension.sha256" "$name-symbols.$extension.sha256")
  # Each archive's bill of materials beside it, taken from inside it.
  rm -rf "$build/bom-copy"
  for archive in "$name" "$name-symbols"; do
    mkdir -p "$build/bom-copy"
    (cd "$build/bom-copy" && cmake -E tar xf "../$archive.$extension" "$name/$archive.cdx.json")
    mv "$build/bom-copy/$name/$archive.cdx.json" "$build/$archive.cdx.json"
    rm -rf "$build/bom-copy"
  done
  cmake -P "$build/check-release.cmake"
  echo "$stamp" >"$build/release-source.txt"
  trap - ERR
done
echo "release: ${platforms[*]} made and checked"
