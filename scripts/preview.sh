#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Pellasto developers
# SPDX-License-Identifier: Apache-2.0
# The main job: builds the module and the preview host (preview preset: no
# tests) and renders the contact sheet from the embedded default scene into
# out/contact-sheet.png. Arguments go to pellasto-preview (see --help).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

# Only what the preview needs; scripts/test.sh installs every test leg's tools.
packages=(g++ cmake make pkg-config libxml2-dev libcairo2-dev fonts-dejavu-core libcli11-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "preview: installing ${missing[*]} (compiler, CMake, and the libraries pellasto-preview is built with: libxml2 for the declaration, Cairo and DejaVu fonts for the picture, CLI11 for its flags)"
  if [ "$(id -u)" -ne 0 ]; then
    echo "preview: installing packages needs root: run this script as root (sudo bash scripts/preview.sh), or install them yourself: apt-get install ${missing[*]}" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
fi

# CMake's configure messages only when configuring fails (a missing library
# says so there, not in the build that follows).
configure_log=$(mktemp)
trap 'rm -f "$configure_log"' EXIT
if ! cmake --preset preview >"$configure_log" 2>&1; then
  cat "$configure_log" >&2
  echo "preview: configuring the preview preset failed (above)" >&2
  exit 1
fi
cmake --build --preset preview

mkdir -p out
(cd out && "$root/build/preview/bin/pellasto-preview" "$@")
# With arguments the program's own "wrote ..." line says where the picture is.
if [ $# -eq 0 ]; then
  echo "contact sheet: $root/out/contact-sheet.png"
fi
