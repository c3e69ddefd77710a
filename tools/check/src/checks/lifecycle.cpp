// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Pellasto_version, Pellasto_init and Pellasto_exit as a host calls them.
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

void add_checks(std::vector<Check>* checks) {
  const auto with_entries = [](std::string name,
                               Result (*run)(const hostside::PellastoModule&)) {
    return Check{"lifecycle", std::move(name), [run](Context& context) {
                   const hostside::PellastoModule& m = *context.module;
                   if (m.version == nullptr || m.init == nullptr) {
                     return Result::skip(
                         "not run: Pellasto_version or Pellasto_init is not exported");
                   }
                   return run(m);
                 }};
  };
  checks->push_back(
      with_entries("Pellasto_version answers 1", [](const hostside::PellastoModule& m) {
        const int v = m.version();
        return Result::holds(v == 1, "it answers " + std::to_string(v));
      }));
  checks->push_back(with_entries(
      "Pellasto_init with no parameters declines per-instance init",
      [](const hostside::PellastoModule& m) {
        Boolean wanted = 1;
        m.init(nullptr, nullptr, &wanted);
        return Result::holds(wanted == 0, "the flag holds " + std::to_string(wanted));
      }));
  checks->push_back(with_entries(
      "Pellasto_init with parameters leaves the flag alone",
      [](const hostside::PellastoModule& m) {
        Sample s;
        Boolean wanted = 1;
        m.init(&s.state, &s.params, &wanted);
        return Result::holds(wanted == 1, "the flag holds " + std::to_string(wanted));
      }));
  checks->push_back(with_entries("Pellasto_version still answers 1 after init",
                                 [](const hostside::PellastoModule& m) {
                                   Boolean wanted = 1;
                                   m.init(nullptr, nullptr, &wanted);
                                   const int v = m.version();
                                   return Result::holds(
                                       v == 1, "it answers " + std::to_string(v));
                                 }));
  // Last of the group: a host calls Pellasto_exit when it is done.
  checks->push_back(shading_check(
      "lifecycle", "shading after Pellasto_exit works the same",
      [](const hostside::PellastoModule& m, Context&) {
        if (m.exit == nullptr) {
          return Result::skip("not run: Pellasto_exit is not exported");
        }
        m.exit(nullptr, nullptr);
        const Case c = frame_cases(kPellastoModeDirection, true).front();
        const Shaded r = shade(m, c);
        return Result::holds(
            r.returned == 1 && hostside::near(r.seen[1], c.tangent, kTolerance),
            c.name + ": the input saw D[1] " + show(r.seen[1]) + ", expected " +
                show(c.tangent));
      }));
}

const GroupRegistration kRegistration(200, "lifecycle", add_checks);

}  // namespace

}  // namespace check
