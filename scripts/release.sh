#!/usr/bin/env bash
# Builds the release archives and checks them as a user receives them.
#
#   bash scripts/release.sh [PLATFORM...]
#
# PLATFORM is windows-x86, windows-x64, linux-x64, linux-x86 or linux-arm64
# (default: all five). For each, `cmake --workflow --preset release-PLATFORM`
# configures without tests, builds what ships and packs it into
# build/release-PLATFORM/:
#   Pellasto-<version>-PLATFORM.zip|.tar.gz            the release
#   Pellasto-<version>-PLATFORM-symbols.zip|.tar.gz    its debug symbols
# each with a .sha256 beside it. Then `sha256sum -c` checks the two checksum
# files, and build/release-PLATFORM/check-release.cmake (cmake/check_release.cmake)
# the install route, the archives' contents against it, the shipped module's
# PE or ELF check, and the shipped programs run on the shipped module.
# Exit status: 0 when every platform's archives were made and passed.
set -euo pipefail
cd "$(dirname "$0")/.."

platforms=("$@")
[ ${#platforms[@]} -gt 0 ] || platforms=(windows-x86 windows-x64 linux-x64 linux-x86 linux-arm64)

for platform in "${platforms[@]}"; do
  case $platform in
    windows-x86 | windows-x64 | linux-x64 | linux-x86 | linux-arm64) ;;
    *) echo "release: unknown platform $platform" >&2; exit 2 ;;
  esac
  build=build/release-$platform
  echo "=== release $platform"
  # The archives of an earlier version must not be taken for this one's.
  rm -f "$build"/Pellasto-*
  cmake --workflow --preset "release-$platform"
  # Each archive has its checksum file, and it holds the archive's digest.
  version=$(sed -n 's/^project(Pellasto VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
  extension=tar.gz
  case $platform in windows-*) extension=zip ;; esac
  (cd "$build" && sha256sum -c "Pellasto-$version-$platform.$extension.sha256" \
    "Pellasto-$version-$platform-symbols.$extension.sha256")
  cmake -P "$build/check-release.cmake"
done
echo "release: ${platforms[*]} made and checked"
