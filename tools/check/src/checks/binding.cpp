// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The host functions' lookups: once per module handle.
#include <string>
#include <vector>

#include "hostside/module.h"
#include "hostside/rotation.h"
#include "hostside/sample.h"
#include "hostside/vec.h"
#include "tools/check/src/catalogue.h"
#include "tools/check/src/checks_common.h"
#include "tools/check/src/program_exports.h"

namespace check {

namespace {

using hostside::Sample;

// How often each host function was looked up since `before`, where that is
// not `times`; empty when each was looked up `times` times.
std::string lookups_other_than(const int before[3], int times) {
  std::string found;
  for (int i = 0; i < 3; ++i) {
    const char* name = hostside::kHostFunctions[i];
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
Result looked_up_once(const hostside::PellastoModule& m) {
  static const bool counting = count_lookups(m.handle);  // patches the module once
  if (!counting) {
    return Result::skip("lookups cannot be counted here");
  }
  for (int round = 0; round < 2; ++round) {
    int before[3];
    for (int i = 0; i < 3; ++i) {
      before[i] = lookups(hostside::kHostFunctions[i]);
    }
    m.set_module_handle(hostside::program_module());
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
      [](const hostside::PellastoModule& m, Context&) {
        const int answer = m.set_module_handle(hostside::program_module());
        return Result::holds(answer == 0, "it answers " + std::to_string(answer));
      }));
  checks->push_back(shading_check(
      "binding",
      "each host function looked up once per handle, and again after a new one",
      [](const hostside::PellastoModule& m, Context&) { return looked_up_once(m); }));
}

const GroupRegistration kRegistration(300, "binding", add_checks);

}  // namespace

}  // namespace check
