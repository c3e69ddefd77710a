#!/usr/bin/env bash
# Installs the Debian packages the builds, tests and tools need. Idempotent:
# when everything is already there it touches nothing.
set -euo pipefail

packages=(
  cmake make g++ clang clang-format clang-tidy
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  libpng-dev libxml2-dev valgrind
  # the preview
  libcairo2-dev fonts-dejavu-core libcli11-dev pkg-config
  # cross legs
  gcc-multilib g++-multilib qemu-user
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine64
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: missing packages (${missing[*]}); run as root to install them" >&2
  exit 1
fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq "${missing[@]}" >/dev/null
