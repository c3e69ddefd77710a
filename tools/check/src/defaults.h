// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The settings' defaults and bounds, each written once: the options, their
// help and the code that acts on them all read these.
#ifndef PELLASTO_CHECK_DEFAULTS_H
#define PELLASTO_CHECK_DEFAULTS_H

#include <algorithm>
#include <cstdint>
#include <thread>

namespace check {

// --timeout: seconds each check may take, from a millisecond.
inline constexpr double kDefaultTimeoutSeconds = 30;
inline constexpr double kLeastTimeoutSeconds = 0.001;
// The whole run, every module included, may take this many times the
// timeout of a check; the checks left then fail as not run.
inline constexpr int kBudgetInTimeouts = 10;
// Loading a module gets the check's time, and never less than this: a
// worker's start takes seconds under an emulator.
inline constexpr double kLeastLoadSeconds = 30;
// With --fuzz, each check may take at least the fuzzing time and this.
inline constexpr double kFuzzGraceSeconds = 30;
// The longest --timeout and --fuzz: a day.
inline constexpr double kMaxSeconds = 86400;

// --threads: one per core, at least this many whatever the core count (a
// fault that shows only on a 4th thread shows by default), at most kMaxThreads.
inline constexpr int kLeastDefaultThreads = 4;
inline constexpr int kMaxThreads = 256;
inline int default_threads() {
  const int cores = static_cast<int>(std::thread::hardware_concurrency());
  return std::min(std::max(cores, kLeastDefaultThreads), kMaxThreads);
}

// --repeat: how often randomised checks run.
inline constexpr int kDefaultRepeat = 1;
inline constexpr int kMaxRepeat = 1000;

// --seed: drawn anew when not given, below 2^53 so that any JSON reader
// keeps it exact.
inline constexpr std::uint64_t kMaxSeed = (std::uint64_t{1} << 53) - 1;

}  // namespace check

#endif  // PELLASTO_CHECK_DEFAULTS_H
