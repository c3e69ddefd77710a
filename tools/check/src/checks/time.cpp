// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// What a call costs, held to a budget far above any honest module: the median
// of many calls, each timed on its own, so that the odd call delayed by the
// machine's other work does not count. A renderer calls the shader for every
// sample; a module over the budget would take days over a frame.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "hostside/sample.h"
#include "tools/check/src/catalogue.h"
#include "tools/check/src/checks_common.h"

namespace check {

namespace {

constexpr double kBudgetSeconds = 100e-6;
constexpr int kCalls = 201;

std::string duration(double seconds) {
  char text[32];
  if (seconds >= 1e-3) {
    std::snprintf(text, sizeof text, "%.3g ms", seconds * 1e3);
  } else {
    std::snprintf(text, sizeof text, "%.3g us", seconds * 1e6);
  }
  return text;
}

Result median_call_within_budget(const hostside::PellastoModule& m, Context&) {
  using Clock = std::chrono::steady_clock;
  // The costliest path: a turned frame, every parameter connected.
  hostside::Sample s;
  s.state.surface_normal = {0.6f, 0.0f, 0.8f};
  s.params.mode = kPellastoModeDirection;
  s.params.direction = {3, 1, 2};
  s.params.rotation = 0.25f;
  s.connect_all();
  for (int i = 0; i < 5; ++i) {
    s.shade(m.shade);  // host functions looked up, caches warm
  }
  std::vector<double> took;
  took.reserve(kCalls);
  int over = 0;
  // Once more than half are over the budget, so is the median: stop there.
  while (static_cast<int>(took.size()) < kCalls && over <= kCalls / 2) {
    const Clock::time_point start = Clock::now();
    s.shade(m.shade);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    took.push_back(seconds);
    over += seconds > kBudgetSeconds ? 1 : 0;
  }
  std::sort(took.begin(), took.end());
  const double median = took[took.size() / 2];
  return Result::holds(over <= kCalls / 2,
                       "a call takes " + duration(median) + " (median of " +
                           std::to_string(took.size()) + " calls); the budget is " +
                           duration(kBudgetSeconds));
}

void add_checks(std::vector<Check>* checks) {
  checks->push_back(shading_check("time", "a call takes less than 100 us (median)",
                                  median_call_within_budget));
}

const GroupRegistration kRegistration(1400, "time", add_checks);

}  // namespace

}  // namespace check
