// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The parameters the module asks the host for, and the values it uses.
#include <cstdint>
#include <string>
#include <vector>

#include "hostside/module.h"
#include "hostside/reference_model.h"
#include "hostside/rotation.h"
#include "hostside/sample.h"
#include "hostside/vec.h"
#include "tools/check/src/catalogue.h"
#include "tools/check/src/checks_common.h"
#include "tools/check/src/program_exports.h"

namespace check {

namespace {

using hostside::Sample;

// A host that notes which parameters the module asks it to evaluate, in
// order, and hands back its own value for `direction`.
struct RecordingHost {
  std::vector<std::string> asked;
  Vector direction_value{0, 3, 0};
};

void* evaluate_and_record(void* context, RenderState* state, void* parameter) {
  auto* host = static_cast<RecordingHost*>(context);
  Sample& s = Sample::of(state);
  const FrameParams& p = s.params;
  if (parameter == &p.input) {
    host->asked.push_back("input");
  }
  if (parameter == &p.mode) {
    host->asked.push_back("mode");
  }
  if (parameter == &p.direction) {
    host->asked.push_back("direction");
    hostside::evaluate_in_place(nullptr, state, parameter);
    return &host->direction_value;
  }
  if (parameter == &p.position) {
    host->asked.push_back("position");
  }
  if (parameter == &p.rotation) {
    host->asked.push_back("rotation");
  }
  return hostside::evaluate_in_place(nullptr, state, parameter);
}

struct Expectation {
  std::int32_t mode;
  bool all;                     // every parameter connected; else rotation and input only
  bool offset;                  // the record's connection offset set
  bool direction_only = false;  // direction and input connected, unturned
};

void prepare(Sample* s, const Expectation& e) {
  s->params.mode = e.mode;
  s->params.direction = {1, 0, 0};
  s->params.position = {1, 1, 0};
  s->params.rotation = e.direction_only ? 0.0f : 0.5f;
  if (e.direction_only) {
    s->connect(&s->params.direction);
    s->connect(&s->params.input);
  } else if (e.all) {
    s->connect_all();
  } else {
    s->connect(&s->params.rotation);
    s->connect(&s->params.input);
  }
  if (!e.offset) {
    s->shader.connection_offset = 0;  // the words say connected; the record says none
  }
}

// What the reference model predicts of the sample of `e`, the recording
// host's value for `direction` taken.
hostside::Prediction predicted(const Expectation& e) {
  Sample s;
  prepare(&s, e);
  hostside::ModelSample model = model_of(s.state, s.params);
  model.evaluated.direction = RecordingHost{}.direction_value;
  return hostside::predict(model);
}

struct Asked {
  std::vector<std::string> names;  // the parameters asked for, in order
  Vector seen_tangent;             // D[1] as the input saw it
};

// Shades once with the recording host.
Asked asked_for(const hostside::PellastoModule& m, const Expectation& e) {
  RecordingHost host;
  HostHooks hooks = hostside::real_rotation_hooks(evaluate_and_record);
  hooks.context = &host;
  install_hooks(&hooks);
  Sample s;
  prepare(&s, e);
  s.shade(m.shade);
  install_plain_host();
  return {host.asked, s.seen[1]};
}

void add_checks(std::vector<Check>* checks) {
  const Expectation expectations[] = {
      {0, true, true},  {1, true, true},  {2, true, true},
      {1, false, true}, {2, true, false},
  };
  for (const Expectation& e : expectations) {
    // The check's name says what the reference model predicts.
    const std::vector<std::string> order = predicted_evaluations(predicted(e));
    const std::string what =
        !e.offset
            ? "connection offset 0: no parameter is evaluated"
            : "mode " + std::to_string(e.mode) +
                  (e.all ? ", all connected: " : ", rotation and input connected: ") +
                  listed(order);
    checks->push_back(shading_check(
        "parameters", what, [e](const hostside::PellastoModule& m, Context&) {
          const std::vector<std::string> want = predicted_evaluations(predicted(e));
          const std::vector<std::string> asked = asked_for(m, e).names;
          return Result::holds(asked == want, "the host was asked for " + listed(asked) +
                                                  ", the reference model says " +
                                                  listed(want));
        }));
  }
  // The value the host hands back for a connected direction is the one used.
  checks->push_back(shading_check(
      "parameters", "a connected direction's evaluated value builds the frame",
      [](const hostside::PellastoModule& m, Context&) {
        const Expectation e{kPellastoModeDirection, false, true, true};
        const Vector seen = asked_for(m, e).seen_tangent;
        const Vector want = predicted(e).frame[1];
        return Result::holds(hostside::same_bits(seen, want),
                             "the input saw D[1] " + show(seen) + " for the value " +
                                 show(RecordingHost{}.direction_value) +
                                 ", the reference model says " + show(want));
      }));
}

const GroupRegistration kRegistration(900, "parameters", add_checks);

}  // namespace

}  // namespace check
