// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Runs one case a given number of times inside measure_calls, so that
// `valgrind --tool=callgrind --toggle-collect=measure_calls` counts the
// instructions of exactly those calls (scripts/callgrind.sh).
//
//   pellasto_instructions shader|floor|limit CASE CALLS

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench/scenario.h"

using pellasto_bench::Case;
using pellasto_bench::HostFunctions;
using pellasto_bench::kCases;
using pellasto_bench::modules;
using pellasto_bench::Sample;

extern "C" __attribute__((noinline)) void measure_calls(const char* what, Sample* s,
                                                        long calls) {
  if (std::strcmp(what, "limit") == 0) {
    const HostFunctions& host = modules().host_functions;
    for (long i = 0; i < calls; ++i) {
      pellasto_bench::limit_shade(host, &s->result, &s->state, &s->params);
      asm volatile("" ::: "memory");
    }
    return;
  }
  const PellastoShaderFn shade =
      std::strcmp(what, "floor") == 0 ? modules().floor_shade : modules().shade;
  for (long i = 0; i < calls; ++i) {
    shade(&s->result, &s->state, &s->params);
    asm volatile("" ::: "memory");
  }
}

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s shader|floor|limit CASE CALLS\n", argv[0]);
    return 2;
  }
  for (const Case& c : kCases) {
    if (std::strcmp(c.name, argv[2]) != 0) continue;
    Sample s(c);
    // Bind every host function first: the count is of calls after that.
    Sample warm(kCases[7]);
    modules().shade(&warm.result, &warm.state, &warm.params);
    measure_calls(argv[1], &s, std::atol(argv[3]));
    return 0;
  }
  std::fprintf(stderr, "unknown case %s\n", argv[2]);
  return 2;
}
