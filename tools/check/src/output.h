// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The reports pellasto-check prints: text as the checks finish, one JSON
// object (an array of them for several modules), and JUnit XML.
#ifndef PELLASTO_CHECK_OUTPUT_H
#define PELLASTO_CHECK_OUTPUT_H

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/check/src/catalogue.h"
#include "tools/check/src/supervisor.h"

namespace check {

// Text: the module's first lines, then each group's line and what did not
// pass in it.
void print_headers(std::FILE* out, const Outcome& o, std::uint64_t seed);
void print_group(std::FILE* out, const Outcome& o, const std::string& group);
// The reason the checks did not run (on the error stream), if they did not.
void print_error(std::FILE* err, const Outcome& o);
// "<label> N passed, M failed" with the totals of `outcomes`.
void print_totals(std::FILE* out, const char* label,
                  const std::vector<Outcome>& outcomes);

// JSON, valid whatever bytes the paths and details hold (invalid UTF-8 is
// replaced).
std::string json_report(const std::vector<Outcome>& outcomes, std::uint64_t seed);
std::string json_list(const std::vector<int>& selected);

// JUnit XML: a testsuite per group of each module, a testcase per check.
std::string junit_report(const std::vector<Outcome>& outcomes, std::uint64_t seed);

}  // namespace check

#endif  // PELLASTO_CHECK_OUTPUT_H
