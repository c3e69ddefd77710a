// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Random samples for as long as --fuzz says, compared with the reference model.
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "hostside/reference_model.h"
#include "tools/check/src/catalogue.h"
#include "tools/check/src/checks_common.h"
#include "tools/check/src/program_exports.h"

namespace check {

namespace {

// Random samples for as long as --fuzz says, each compared with the model as
// it is drawn.
Result fuzz_against_model(const hostside::PellastoModule& m, Context& context) {
  const double seconds = context.fuzz_seconds;
  if (!(seconds > 0)) {
    return Result::skip("not run: --fuzz was not given");
  }
  static const HostHooks hooks = hostside::recording_hooks();
  install_hooks(&hooks);
  hostside::Recorder recorder;
  std::uint64_t random = context.seed;
  const auto start = std::chrono::steady_clock::now();
  long samples = 0, wrong = 0;
  std::string first;
  while (std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() <
         seconds) {
    for (int i = 0; i < 256; ++i, ++samples) {
      const hostside::ModelSample s = hostside::random_sample(&random);
      const std::string difference = hostside::check_against_model(m.shade, s, &recorder);
      if (!difference.empty() && wrong++ == 0) {
        first = "sample " + std::to_string(samples + 1) + ": " + difference;
      }
    }
  }
  install_plain_host();
  return Result::holds(wrong == 0,
                       std::to_string(wrong) + " of " + std::to_string(samples) +
                           " samples differ from the reference model (seed " +
                           std::to_string(context.seed) + "); first: " + first);
}

void add_checks(std::vector<Check>* checks) {
  checks->push_back(shading_check(
      kFuzzGroup,
      "random samples for --fuzz seconds, each as the reference model predicts",
      fuzz_against_model));
}

const GroupRegistration kRegistration(600, "fuzz", add_checks);

}  // namespace

}  // namespace check
