#!/usr/bin/env bash
# Builds the bench preset and prints everything BENCHMARKS.md reports, from
# one run: the machine, the load it ran under, the timing table (fastest of
# N repetitions of each benchmark), two-thread scaling, allocation and lookup
# counts, and the instruction counts per call.
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
  --benchmark_min_time=0.2 2>&1 | grep -vE '^(floor|limit|shader|threads|eight_samples)/?'
echo "load after: $(uptime | sed 's/.*load average/load average/')"
echo
echo "instructions per call (valgrind --tool=callgrind):"
scripts/callgrind.sh build/bench
