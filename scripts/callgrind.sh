#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Pellasto developers
# SPDX-License-Identifier: Apache-2.0
# Instructions per shader call, counted by valgrind's callgrind: a figure that
# does not drift with the machine's load. One line per case: the shader, the
# floor (empty entry) and the limit (the same work inline), and the ratio
# shader / (floor + limit) as in BENCHMARKS.md.
#
#   scripts/callgrind.sh [build-dir]     (default build/bench; built if missing)
#
# build/bench-x86 (preset bench-x86) counts the 32-bit x86 module the same way.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/bench}
calls=100000

if ! command -v valgrind >/dev/null; then
  echo "callgrind: valgrind is not installed" >&2; exit 1
fi
if [ ! -x "$build/bin/pellasto_instructions" ]; then
  preset=$(basename "$build")
  cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" >/dev/null
fi

# Instructions executed inside measure_calls for one kind and case, per call.
per_call() {
  local collected
  collected=$(valgrind --tool=callgrind --callgrind-out-file=/dev/null \
      --collect-atstart=no --toggle-collect=measure_calls \
      "$build/bin/pellasto_instructions" "$1" "$2" "$calls" 2>&1 |
    sed -n 's/.*Collected : \([0-9]*\).*/\1/p')
  echo $(( (collected + calls / 2) / calls ))
}

# shellcheck source=scripts/instruction-table.sh
source scripts/instruction-table.sh
instruction_table
