#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Pellasto developers
# SPDX-License-Identifier: Apache-2.0
# Formatting and static analysis of the project's own sources, and the
# licence and copyright of every file (reuse lint).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/linux-x64}
# The tracked sources; in a tree without git (an unpacked source archive),
# the source folders' files.
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t sources < <(git ls-files '*.cpp' '*.h')
else
  mapfile -t sources < <(find shader host hostside tests tools bench stress fuzz \
    -path '*/build' -prune -o -type f \( -name '*.cpp' -o -name '*.h' \) -print | sort)
fi
if [ ${#sources[@]} -eq 0 ]; then
  echo "lint: no source file found to check" >&2
  exit 1
fi
clang-format --dry-run -Werror "${sources[@]}"
# Two clang-tidy processes at a time, a few files each (one is single-threaded,
# and takes minutes over all of them); any finding fails the whole.
printf '%s\0' shader/*.cpp host/entry_table.cpp host/symbol_lookup_posix.cpp hostside/*.cpp \
  tools/glibc_baseline/*.cpp tools/preview/src/*.cpp tools/check/src/*.cpp \
  tools/check/src/checks/*.cpp |
  xargs -0 -n 4 -P 2 clang-tidy --quiet -p "$build" \
    2> >(grep -v "warnings generated" >&2)
echo "lint: ${#sources[@]} files formatted, module, hostside, preview and check sources clean under clang-tidy"

# Every file says its licence and copyright, itself or through REUSE.toml.
# Debian 12's reuse (1.x) reads only .reuse/dep5, so it lints a copy of the
# tree (the files git tracks or would add) with REUSE.toml written as that
# file (cmake/reuse_dep5.py); reuse 4 and later read REUSE.toml themselves.
reuse_major=$(reuse --version | sed -n 's/^reuse \([0-9]*\)\..*/\1/p')
if [ "${reuse_major:-0}" -ge 4 ]; then
  reuse lint
else
  copy=$(mktemp -d)
  trap 'rm -rf "$copy"' EXIT
  if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files -z --cached --others --exclude-standard |
      while IFS= read -r -d '' f; do [ -e "$f" ] && printf '%s\0' "$f"; done |
      tar --null -T - -cf - | tar -xf - -C "$copy"
  else
    tar --exclude=./build -cf - . | tar -xf - -C "$copy"
  fi
  mkdir -p "$copy/.reuse"
  /usr/bin/python3 cmake/reuse_dep5.py REUSE.toml >"$copy/.reuse/dep5"
  reuse --root "$copy" lint
fi
