// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Every path and random samples over the whole input space, each call
// compared with the reference model.
#include <cstdint>
#include <string>
#include <vector>

#include "hostside/reference_model.h"
#include "tools/check/src/catalogue.h"
#include "tools/check/src/checks_common.h"

namespace check {

namespace {

// Random samples over the whole input space, drawn from the run's seed.
constexpr int kRandomSamples = 2000;

Result random_samples_agree(const hostside::PellastoModule& m, Context& context) {
  std::uint64_t random = context.seed;
  std::vector<hostside::ModelSample> samples;
  samples.reserve(static_cast<std::size_t>(kRandomSamples) *
                  static_cast<std::size_t>(context.repeat));
  for (int i = 0; i < kRandomSamples * context.repeat; ++i) {
    samples.push_back(hostside::random_sample(&random));
  }
  Result r = agrees_with_model(m, samples);
  if (r.status == Result::Status::kFailed) {
    r.detail += " (seed " + std::to_string(context.seed) + ")";
  }
  return r;
}

void add_checks(std::vector<Check>* checks) {
  const std::size_t paths = hostside::path_cases().size();
  checks->push_back(shading_check(
      "model",
      "every path: the host's calls with their arguments, the frame, the result and "
      "the vectors after as the reference model predicts (" +
          std::to_string(paths) + " samples)",
      [](const hostside::PellastoModule& m, Context&) {
        return agrees_with_model(m, hostside::path_cases());
      }));
  checks->push_back(shading_check(
      "model",
      "random samples over the whole input space (normals over the sphere, denormal "
      "to 1e38, far points, infinities and NaNs, many turns) as the reference model "
      "predicts",
      random_samples_agree));
}

const GroupRegistration kRegistration(500, "model", add_checks);

}  // namespace

}  // namespace check
