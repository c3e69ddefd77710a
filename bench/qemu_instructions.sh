#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Pellasto developers
# SPDX-License-Identifier: Apache-2.0
# Instructions per shader call counted under qemu-user, for a build whose
# programs this kernel cannot run itself (a kernel without 32-bit support
# runs no 32-bit x86 program, under valgrind or otherwise). The same table as
# scripts/callgrind.sh (scripts/instruction-table.sh): shader, floor and limit
# per case, and the ratio.
#
#   bench/qemu_instructions.sh [build-dir [qemu]]   (default build/bench-x86, qemu-i386)
#
# qemu runs one instruction per translation block (-singlestep) and logs each
# block it executes (-d exec,nochain), so the log has one line per
# instruction. The program runs its case twice, with 1000 and with 3000
# calls; the difference of the two whole-program counts, over 2000, is what
# one call costs, the driver's loop included, as callgrind counts it inside
# measure_calls. (On x86-64, qemu-x86_64 on build/bench gives callgrind's
# figures to the instruction.)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/bench-x86}
qemu=${2:-qemu-i386}
program="$build/bin/pellasto_instructions"
if [ ! -x "$program" ]; then
  echo "qemu_instructions: $program is not built (cmake --build --preset bench-x86)" >&2
  exit 1
fi
if ! command -v "$qemu" >/dev/null; then
  echo "qemu_instructions: $qemu is not installed (qemu-user)" >&2
  exit 1
fi

executed() {  # kind case calls
  local count
  count=$("$qemu" -singlestep -d exec,nochain "$program" "$1" "$2" "$3" 2>&1 >/dev/null |
    grep -c '^Trace') || true
  [ "$count" -gt 0 ] || { echo "qemu_instructions: nothing counted for $1 $2" >&2; exit 1; }
  echo "$count"
}

per_call() {  # kind case
  local few many
  few=$(executed "$1" "$2" 1000)
  many=$(executed "$1" "$2" 3000)
  echo $(( (many - few + 1000) / 2000 ))
}

# shellcheck source=scripts/instruction-table.sh
source scripts/instruction-table.sh
instruction_table
