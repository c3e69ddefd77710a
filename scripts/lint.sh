#!/usr/bin/env bash
# Formatting and static analysis of the project's own sources.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/dev}
mapfile -t sources < <(git ls-files '*.cpp' '*.h')
clang-format --dry-run -Werror "${sources[@]}"
clang-tidy --quiet -p "$build" shader/*.cpp host/*.cpp platform/symbol_lookup_posix.cpp harness/*.cpp \
  tools/preview/src/*.cpp tools/check/src/*.cpp \
  2> >(grep -v "warnings generated" >&2)
echo "lint: ${#sources[@]} files formatted, module, harness, preview and check sources clean under clang-tidy"
