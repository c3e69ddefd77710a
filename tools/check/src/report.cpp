// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
#include "tools/check/src/report.h"

#include <algorithm>

namespace check {

std::vector<std::string> Report::groups() const {
  std::vector<std::string> groups;
  for (const CheckResult& c : checks_) {
    if (std::find(groups.begin(), groups.end(), c.group) == groups.end()) {
      groups.push_back(c.group);
    }
  }
  return groups;
}

int Report::count(Result::Status status, const std::string& group) const {
  return static_cast<int>(
      std::count_if(checks_.begin(), checks_.end(), [&](const CheckResult& c) {
        return c.result.status == status && (group.empty() || c.group == group);
      }));
}

}  // namespace check
