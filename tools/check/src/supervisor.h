// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The supervisor: what pellasto-check does with each module named. It reads
// the file's headers, never loads the module itself, and has workers
// (worker.h) load it and run the selected checks; a worker that crashes,
// ends itself or runs out of time fails the check it was in, and a new one
// carries on with the rest.
#ifndef PELLASTO_CHECK_SUPERVISOR_H
#define PELLASTO_CHECK_SUPERVISOR_H

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tools/check/src/defaults.h"
#include "tools/check/src/image.h"
#include "tools/check/src/report.h"

namespace check {

inline constexpr int kAllPassed = 0;
inline constexpr int kSomeFailed = 1;
inline constexpr int kNotLoadable = 2;
inline constexpr int kUsage = 3;

struct RunSettings {
  std::vector<int> selected;  // indices in the catalogue, in order
  int threads = 1;
  std::uint64_t seed = 0;
  int repeat = kDefaultRepeat;
  double fuzz_seconds = 0;  // --fuzz
  double timeout =
      kDefaultTimeoutSeconds;  // seconds for each check, and for loading the module
  // When the run started (the settings are made as it starts): its budget
  // counts from here.
  std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
};

struct Outcome {
  std::string module;
  ImageInfo info;
  std::string version;
  std::string error;  // why the checks did not run
  Report report;
  int status = kAllPassed;
};

// Checks the module at `path`. `headers_read` is called once what the file
// is is known, `group_done` with each group's name as soon as its last
// selected check has a result.
Outcome check_module(
    const std::string& path, const RunSettings& settings,
    const std::function<void(const Outcome&)>& headers_read,
    const std::function<void(const Outcome&, const std::string&)>& group_done);

}  // namespace check

#endif  // PELLASTO_CHECK_SUPERVISOR_H
