# SPDX-FileCopyrightText: 2026 The Pellasto developers
# SPDX-License-Identifier: Apache-2.0
# shellcheck shell=bash
# The instruction count table of BENCHMARKS.md, shared by scripts/callgrind.sh
# (valgrind) and bench/qemu_instructions.sh (qemu-user), which differ only in
# how they count. Sourced; the script sourcing it defines
#   per_call KIND CASE   the instructions one call of KIND (shader, floor or
#                        limit) costs in CASE, on standard output
# and then calls instruction_table: one row per case, with the shader, the
# floor (empty entry) and the limit (the same work inline), and the ratio
# shader / (floor + limit) against its goal.

instruction_table() {
  local cases=(mode0/unconnected mode1/unconnected mode2/unconnected mode1_turn/unconnected
    mode0/connected mode1/connected mode2/connected mode1_turn/connected)
  local floor shader limit ratio goal c
  floor=$(per_call floor mode0/unconnected)
  printf '| case | shader Ir/call | floor Ir/call | limit Ir/call | ratio | goal |\n'
  printf '|---|---:|---:|---:|---:|---|\n'
  for c in "${cases[@]}"; do
    shader=$(per_call shader "$c")
    limit=$(per_call limit "$c")
    ratio=$(awk -v s="$shader" -v f="$floor" -v l="$limit" 'BEGIN { printf "%.3f", s / (f + l) }')
    goal=$(awk -v r="$ratio" 'BEGIN { print (r <= 1.10 ? "met" : "MISSED") }')
    printf '| %s | %d | %d | %d | %s | <= 1.10: %s |\n' "$c" "$shader" "$floor" "$limit" "$ratio" "$goal"
  done
}
