#!/usr/bin/env bash
# Formatting and static analysis of the project's own sources.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/dev}
# The tracked sources; in a tree without git (an unpacked source archive),
# the source folders' files.
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t sources < <(git ls-files '*.cpp' '*.h')
else
  mapfile -t sources < <(find shader host platform harness tests tools bench stress fuzz \
    -path '*/build' -prune -o -type f \( -name '*.cpp' -o -name '*.h' \) -print | sort)
fi
if [ ${#sources[@]} -eq 0 ]; then
  echo "lint: no source file found to check" >&2
  exit 1
fi
clang-format --dry-run -Werror "${sources[@]}"
clang-tidy --quiet -p "$build" shader/*.cpp host/*.cpp platform/symbol_lookup_posix.cpp platform/glibc_compat.cpp harness/*.cpp \
  tools/preview/src/*.cpp tools/check/src/*.cpp \
  2> >(grep -v "warnings generated" >&2)
echo "lint: ${#sources[@]} files formatted, module, harness, preview and check sources clean under clang-tidy"
