// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The standard streams are the renderer's: the module writes nothing on the
// standard output, at load or in any call, and nothing on the standard error
// while every host function is there (its two messages are for a host
// function that cannot be found, which the messages checks cover).
#include <cstdint>
#include <string>
#include <vector>

#include "hostside/module.h"
#include "hostside/sample.h"
#include "tools/check/src/capture.h"
#include "tools/check/src/catalogue.h"
#include "tools/check/src/checks_common.h"

namespace check {

namespace {

std::string written(const char* stream, const std::string& text, std::uint64_t bytes) {
  return std::to_string(bytes) + " bytes on the standard " + stream + ": \"" +
         one_line(text.substr(0, 200)) + (bytes > 200 ? "...\"" : "\"");
}

Result nothing_at_load(Context& context) {
  const CapturedOutput* at_load = context.load_output;
  if (at_load == nullptr) {
    return Result::skip("the standard streams could not be captured while it loaded");
  }
  if (!at_load->lost.empty()) {
    return Result::fail("while it loaded " + at_load->lost);
  }
  if (at_load->out_bytes > 0) {
    return Result::fail("while it loaded the module wrote " +
                        written("output", at_load->out, at_load->out_bytes));
  }
  return Result::holds(at_load->err_bytes == 0,
                       "while it loaded the module wrote " +
                           written("error", at_load->err, at_load->err_bytes));
}

Result nothing_in_any_call(const hostside::PellastoModule& m, Context& context) {
  if (context.output == nullptr) {
    return Result::skip("the standard streams cannot be captured here");
  }
  context.output->take();
  std::string call;
  const auto said = [&](const std::string& what) {
    const CapturedOutput taken = context.output->take();
    if (call.empty() && !taken.lost.empty()) {
      call = what + ": " + taken.lost;
    }
    if (call.empty() && taken.out_bytes + taken.err_bytes > 0) {
      call = what + ": the module wrote " +
             (taken.out_bytes > 0 ? written("output", taken.out, taken.out_bytes)
                                  : written("error", taken.err, taken.err_bytes));
    }
  };
  if (m.version != nullptr) {
    m.version();
    said("Pellasto_version");
  }
  hostside::Sample s;
  if (m.init != nullptr) {
    Boolean wanted = 1;
    m.init(&s.state, nullptr, &wanted);
    m.init(&s.state, &s.params, &wanted);
    said("Pellasto_init");
  }
  m.set_module_handle(hostside::program_module());
  said("miSetModuleHandle");
  for (std::int32_t mode : {0, 1, 2, 3}) {
    for (float turns : {0.0f, 0.25f}) {
      for (int i = 0; i < 50; ++i) {
        hostside::Sample t;
        t.params.mode = mode;
        t.params.direction = {1, 2, 0};
        t.params.position = {-1, 2, 4};
        t.params.rotation = turns;
        t.connect_all();
        t.shade(m.shade);
      }
      said("Pellasto, mode " + std::to_string(mode) + ", rotation " + show(turns));
    }
  }
  if (m.exit != nullptr) {
    m.exit(&s.state, &s.params);
    said("Pellasto_exit");
  }
  return Result::holds(call.empty(), call);
}

void add_checks(std::vector<Check>* checks) {
  checks->push_back({"output", "nothing on the standard output or error while it loads",
                     nothing_at_load});
  checks->push_back(shading_check(
      "output", "nothing on the standard output or error in any call, host complete",
      nothing_in_any_call, true));
}

const GroupRegistration kRegistration(1100, "output", add_checks);

}  // namespace

}  // namespace check
