// The results of a run: every check with its group, whether it held and, when
// it did not, what was found instead.
#ifndef PELLASTO_CHECK_REPORT_H
#define PELLASTO_CHECK_REPORT_H

#include <string>
#include <vector>

namespace check {

struct CheckResult {
  std::string group;
  std::string name;
  bool passed;
  std::string detail;  // what was found, for a failed check
};

class Report {
 public:
  // Adds one check of `group`; groups are listed in the order first seen.
  bool add(const std::string& group, const std::string& name, bool passed,
           const std::string& detail = "");
  const std::vector<CheckResult>& checks() const { return checks_; }
  std::vector<std::string> groups() const;
  int passed() const;
  int failed() const;

 private:
  std::vector<CheckResult> checks_;
};

}  // namespace check

#endif  // PELLASTO_CHECK_REPORT_H
