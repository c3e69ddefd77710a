#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Pellasto developers
# SPDX-License-Identifier: Apache-2.0
# Builds the bench preset and prints everything BENCHMARKS.md reports, from
# one run: the machine, the load it ran under, the timing table (medians of
# N repetitions of each benchmark, the repetitions of all of them run in a
# random order, so that a slow spell of a shared machine falls on floor,
# limit and shader alike), two-thread scaling, allocation and lookup counts,
# and the instruction counts per call on x86-64 and 32-bit x86 (under qemu-i386
# where this kernel runs no 32-bit program).
#
#   scripts/bench.sh [repetitions]     (default 10)
set -euo pipefail
cd "$(dirname "$0")/.."
repetitions=${1:-10}

cmake --workflow --preset bench >/dev/null
echo "machine: $(lscpu | sed -n 's/^Model name: *//p'), $(nproc) cores; $(uname -sr)"
echo "compiler: $(c++ --version | head -1)"
echo "load before: $(uptime | sed 's/.*load average/load average/')"
build/bench/bin/pellasto_bench --benchmark_repetitions="$repetitions" \
  --benchmark_enable_random_interleaving=true \
  --benchmark_min_time=0.2 2>&1 | grep -vE '^(floor|limit|shader|threads|eight_samples)/?'
echo "load after: $(uptime | sed 's/.*load average/load average/')"
echo
echo "instructions per call, x86-64 (valgrind --tool=callgrind):"
scripts/callgrind.sh build/bench
echo
# The 32-bit module: under valgrind where the kernel runs 32-bit programs
# (natively, not under an emulator), else under qemu-i386
# (bench/qemu_instructions.sh), where the multilib compiler is installed.
if ! cmake --workflow --preset bench-x86 >/dev/null 2>&1; then
  echo "instructions per call, 32-bit x86: not measured (the bench-x86 preset does not build: no multilib compiler?)"
elif valgrind --tool=none build/bench-x86/bin/pellasto_instructions floor mode0/unconnected 1 \
  >/dev/null 2>&1; then
  echo "instructions per call, 32-bit x86 (valgrind --tool=callgrind):"
  scripts/callgrind.sh build/bench-x86
elif command -v qemu-i386 >/dev/null; then
  echo "instructions per call, 32-bit x86 (this kernel runs no 32-bit program: qemu-i386, bench/qemu_instructions.sh):"
  bench/qemu_instructions.sh build/bench-x86 qemu-i386
else
  echo "instructions per call, 32-bit x86: not measured (this kernel runs no 32-bit program, and qemu-i386 is not installed)"
fi
