// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
#include "tools/check/src/catalogue.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace check {

namespace {

struct Group {
  int order;
  const char* name;
  AddChecks add;
};

// Filled while the program's objects are initialised, each group file's
// registration in whatever order the linker laid them out; built on first
// use, so that no registration finds it not yet constructed.
std::vector<Group>& groups() {
  static std::vector<Group> registered;
  return registered;
}

std::vector<Group> in_order() {
  std::vector<Group> sorted = groups();
  std::sort(sorted.begin(), sorted.end(),
            [](const Group& a, const Group& b) { return a.order < b.order; });
  return sorted;
}

}  // namespace

GroupRegistration::GroupRegistration(int order, const char* group, AddChecks add) {
  for (const Group& g : groups()) {
    if (g.order == order || std::string(g.name) == group) {
      // Two files claiming one place or one name: a build of this program
      // that cannot say which runs first. Found by the first run of any test.
      std::fprintf(stderr,
                   "pellasto-check: the groups %s and %s share order %d or a name\n",
                   g.name, group, order);
      std::abort();
    }
  }
  groups().push_back({order, group, add});
}

std::vector<std::string> registered_groups() {
  std::vector<std::string> names;
  for (const Group& g : in_order()) {
    names.emplace_back(g.name);
  }
  return names;
}

const std::vector<Check>& catalogue() {
  static const std::vector<Check> checks = [] {
    std::vector<Check> c;
    for (const Group& g : in_order()) {
      g.add(&c);
    }
    return c;
  }();
  return checks;
}

}  // namespace check
