// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The module's five entries, each exported under its plain name.
#include <string>
#include <vector>

#include "hostside/module.h"
#include "tools/check/src/catalogue.h"
#include "tools/check/src/checks_common.h"

namespace check {

namespace {

void add_checks(std::vector<Check>* checks) {
  struct Entry {
    const char* name;
    bool (*present)(const hostside::PellastoModule& m);
  };
  static const Entry entries[] = {
      {"Pellasto", [](const hostside::PellastoModule& m) { return m.shade != nullptr; }},
      {"Pellasto_version",
       [](const hostside::PellastoModule& m) { return m.version != nullptr; }},
      {"Pellasto_init",
       [](const hostside::PellastoModule& m) { return m.init != nullptr; }},
      {"Pellasto_exit",
       [](const hostside::PellastoModule& m) { return m.exit != nullptr; }},
      {"miSetModuleHandle",
       [](const hostside::PellastoModule& m) { return m.set_module_handle != nullptr; }},
  };
  for (const Entry& e : entries) {
    checks->push_back({"exports", std::string(e.name) + " exported under its plain name",
                       [&e](Context& context) {
                         return Result::holds(e.present(*context.module),
                                              std::string(e.name) + " is not exported");
                       }});
  }
}

const GroupRegistration kRegistration(100, "exports", add_checks);

}  // namespace

}  // namespace check
