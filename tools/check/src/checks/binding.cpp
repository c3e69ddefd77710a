// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The host functions' lookups: once per module handle.
#include <string>
#include <vector>

#include "harness/host_math.h"
#include "harness/module.h"
#include "harness/sample.h"
#include "harness/vec.h"
#include "tools/check/src/catalogue.h"
#include "tools/check/src/checks_common.h"
#include "tools/check/src/host_functions.h"

namespace check {

namespace {

using harness::Sample;

// How often each host function was looked up since `before`, where that is
// not `times`; empty when each was looked up `times` times.
std::string lookups_other_than(const int before[3], int times) {
  std::string found;
  for (int i = 0; i < 3; ++i) {
    const char* name = harness::kHostFunctions[i];
    const int n = lookups(name) - before[i];
    if (n != times) {
      found += std::string(found.empty() ? "" : "; ") + name + " looked up " +
               std::to_string(n) + " times";
    }
  }
  return found;
}

// Gives the module `handle`, then shades 200 samples calling every host
// function: each must be looked up once.
Result looked_up_once(const harness::PellastoModule& m) {
  static const bool counting = count_lookups(m.handle);  // patches the module once
  if (!counting) {
    return Result::skip("lookups cannot be counted here");
  }
  for (int round = 0; round < 2; ++round) {
    int before[3];
    for (int i = 0; i < 3; ++i) {
      before[i] = lookups(harness::kHostFunctions[i]);
    }
    m.set_module_handle(harness::program_module());
    for (int i = 0; i < 200; ++i) {
      Sample s;
      shade_calling_every_function(m, &s);
    }
    const std::string wrong = lookups_other_than(before, 1);
    if (!wrong.empty()) {
      return Result::fail((round == 0 ? "" : "after a new handle: ") + wrong +
                          " in 200 samples");
    }
  }
  return Result::pass();
}

void add_checks(std::vector<Check>* checks) {
  checks->push_back(shading_check(
      "binding", "miSetModuleHandle answers 0",
      [](const harness::PellastoModule& m, Context&) {
        const int answer = m.set_module_handle(harness::program_module());
        return Result::holds(answer == 0, "it answers " + std::to_string(answer));
      }));
  checks->push_back(shading_check(
      "binding",
      "each host function looked up once per handle, and again after a new one",
      [](const harness::PellastoModule& m, Context&) { return looked_up_once(m); }));
}

const GroupRegistration kRegistration(300, "binding", add_checks);

}  // namespace

}  // namespace check
