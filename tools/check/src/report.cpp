#include "tools/check/src/report.h"

#include <algorithm>

namespace check {

bool Report::add(const std::string& group, const std::string& name, bool passed,
                 const std::string& detail) {
  checks_.push_back({group, name, passed, passed ? std::string() : detail});
  return passed;
}

std::vector<std::string> Report::groups() const {
  std::vector<std::string> groups;
  for (const CheckResult& c : checks_) {
    if (std::find(groups.begin(), groups.end(), c.group) == groups.end()) {
      groups.push_back(c.group);
    }
  }
  return groups;
}

int Report::passed() const {
  return static_cast<int>(std::count_if(checks_.begin(), checks_.end(),
                                        [](const CheckResult& c) { return c.passed; }));
}

int Report::failed() const { return static_cast<int>(checks_.size()) - passed(); }

}  // namespace check
