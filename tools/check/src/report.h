// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The results of a run: every check with its group, whether it passed, failed
// or was skipped and, when it did not pass, why.
#ifndef PELLASTO_CHECK_REPORT_H
#define PELLASTO_CHECK_REPORT_H

#include <string>
#include <vector>

#include "tools/check/src/catalogue.h"

namespace check {

struct CheckResult {
  std::string group;
  std::string name;
  Result result;
  bool passed() const { return result.status == Result::Status::kPassed; }
  bool failed() const { return result.status == Result::Status::kFailed; }
  bool skipped() const { return result.status == Result::Status::kSkipped; }
};

class Report {
 public:
  void add(const std::string& group, const std::string& name, Result result) {
    checks_.push_back({group, name, std::move(result)});
  }
  const std::vector<CheckResult>& checks() const { return checks_; }
  // The groups in the order first seen.
  std::vector<std::string> groups() const;
  int count(Result::Status status, const std::string& group = "") const;
  int passed() const { return count(Result::Status::kPassed); }
  int failed() const { return count(Result::Status::kFailed); }
  int skipped() const { return count(Result::Status::kSkipped); }

 private:
  std::vector<CheckResult> checks_;
};

}  // namespace check

#endif  // PELLASTO_CHECK_REPORT_H
