// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The frame the input sees, the host's vectors put back, and the parameters
// the module asks the host for.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "hostside/module.h"
#include "hostside/rotation.h"
#include "hostside/sample.h"
#include "hostside/vec.h"
#include "tools/check/src/catalogue.h"
#include "tools/check/src/checks_common.h"
#include "tools/check/src/program_exports.h"

namespace check {

namespace {

using hostside::same_bits;
using hostside::Sample;

std::string mode_name(std::int32_t mode, bool turned) {
  return "mode " + std::to_string(mode) + (turned ? ", turned" : ", unturned");
}

// The frame in modes 1 and 2, turned or not, against the reference model:
// the frame the input sees bit for bit, and the host's calls for the turn
// with their arguments (the angle's bits among them).
Result frame_is_built(const hostside::PellastoModule& m, std::int32_t mode, bool turned) {
  std::vector<hostside::ModelSample> samples;
  for (const Case& c : frame_cases(mode, turned)) {
    samples.push_back(model_sample(c));
  }
  return agrees_with_model(m, samples);
}

Result returns_the_input(const hostside::PellastoModule& m, std::int32_t mode,
                         bool turned) {
  const Sample fresh;
  for (const Case& c : frame_cases(mode, turned)) {
    const Shaded r = shade(m, c);
    if (r.returned != 1) {
      return Result::fail(c.name + ": the call returned " + std::to_string(r.returned));
    }
    if (!same_bits(r.result, fresh.params.input)) {
      return Result::fail(c.name + ": the result is not the input's value bit for bit");
    }
  }
  return Result::pass();
}

// Mode 0: the input sees the host's own vectors, and nothing turns.
Result mode_0_leaves_the_frame(const hostside::PellastoModule& m) {
  Sample s;
  s.params.mode = kPellastoModeNone;
  s.params.direction = {3, 1, 2};
  s.params.rotation = 0.25f;
  s.connect(&s.params.input);
  const Vector host[2] = {s.derivatives[0], s.derivatives[1]};
  const Boolean returned = s.shade(m.shade);
  return Result::holds(
      returned == 1 && same_bits(s.seen, host) && s.input_evaluations == 1,
      "the input saw D[0] " + show(s.seen[0]) + ", D[1] " + show(s.seen[1]));
}

// A direction along the normal (either way), a zero one, and a position at
// the point give the zero frame, not a NaN.
Result zero_frame(const hostside::PellastoModule& m) {
  const Vector zero{0, 0, 0};
  const Vector n = hostside::normalized({1, 2, 3});
  const Vector along[] = {2.0f * n, -0.5f * n, 1000.0f * n, {0, 0, 0}};
  for (const Vector& d : along) {
    for (float turns : {0.0f, 0.25f}) {
      Case c{};
      c.mode = kPellastoModeDirection;
      c.normal = n;
      c.direction = d;
      c.turns = turns;
      const Shaded r = shade(m, c);
      if (!(hostside::near(r.seen[0], zero, 0) && hostside::near(r.seen[1], zero, 0))) {
        return Result::fail("direction " + show(d) + " along the normal " + show(n) +
                            ": the input saw D[0] " + show(r.seen[0]) + ", D[1] " +
                            show(r.seen[1]));
      }
    }
  }
  Case at_point{};
  at_point.mode = kPellastoModePosition;
  at_point.normal = n;
  at_point.point = at_point.position = {1, -2, 3};
  const Shaded r = shade(m, at_point);
  return Result::holds(
      hostside::near(r.seen[0], zero, 0) && hostside::near(r.seen[1], zero, 0),
      "position at the point: the input saw D[0] " + show(r.seen[0]) + ", D[1] " +
          show(r.seen[1]));
}

// The host's own vectors: odd bit patterns (a NaN with a payload, a
// signalling NaN, negative zero, a denormal, infinities) that only a copy of
// every bit gives back.
void set_odd_vectors(Vector* d) {
  d[0] = bits(0x7fc12345u, 0x80000000u, 0x00000001u);
  d[1] = bits(0x7f812345u, 0xff800000u, 0x3eaaaaabu);
}

void restore_params(Sample* s, std::int32_t mode, bool turned) {
  set_odd_vectors(s->derivatives);
  s->params.mode = mode;
  s->params.direction = {3, 1, 2};
  s->params.position = {-1, 2, 4};
  s->params.rotation = turned ? 0.25f : 0.0f;
  s->connect_all();
}

Result vectors_come_back(const hostside::PellastoModule& m, std::int32_t mode,
                         bool turned) {
  Sample s;
  restore_params(&s, mode, turned);
  Vector before[2];
  std::memcpy(before, s.derivatives, sizeof before);
  s.shade(m.shade);
  return Result::holds(same_bits(s.derivatives, before),
                       "after the call D[0] " + show(s.derivatives[0]) + ", D[1] " +
                           show(s.derivatives[1]));
}

// A host that moves the derivative vectors to another array while `input` is
// evaluated.
struct MovingHost {
  Vector moved[2];
};

void* evaluate_and_move(void* context, RenderState* state, void* parameter) {
  void* value = hostside::evaluate_in_place(nullptr, state, parameter);
  Sample& s = Sample::of(state);
  if (parameter == &s.params.input) {
    state->surface_derivatives = static_cast<MovingHost*>(context)->moved;
  }
  return value;
}

// The host moves them while `input` is read: they are put back where the
// state points then.
Result moved_vectors_come_back(const hostside::PellastoModule& m, std::int32_t mode,
                               bool turned) {
  MovingHost moving{};
  moving.moved[0] = {9, 9, 9};
  moving.moved[1] = {8, 8, 8};
  HostHooks moving_hooks = hostside::real_rotation_hooks(evaluate_and_move);
  moving_hooks.context = &moving;
  install_hooks(&moving_hooks);
  Sample t;
  restore_params(&t, mode, turned);
  Vector before[2];
  std::memcpy(before, t.derivatives, sizeof before);
  t.shade(m.shade);
  install_plain_host();
  return Result::holds(
      t.state.surface_derivatives == moving.moved && same_bits(moving.moved, before),
      "the moved vectors hold D[0] " + show(moving.moved[0]) + ", D[1] " +
          show(moving.moved[1]));
}

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

std::string joined(const std::vector<std::string>& names) {
  std::string s;
  for (const std::string& n : names) {
    s += (s.empty() ? "" : ", ") + n;
  }
  return "[" + s + "]";
}

struct Expectation {
  std::int32_t mode;
  bool all;  // every parameter connected; else rotation and input only
  bool offset;
  std::vector<std::string> order;
};

// Shades once with the recording host; the parameters asked for, in order.
std::vector<std::string> asked_for(const hostside::PellastoModule& m,
                                   const Expectation& e, Vector* seen_tangent = nullptr) {
  RecordingHost host;
  HostHooks hooks = hostside::real_rotation_hooks(evaluate_and_record);
  hooks.context = &host;
  install_hooks(&hooks);
  Sample s;
  s.params.mode = e.mode;
  s.params.direction = {1, 0, 0};
  s.params.position = {1, 1, 0};
  s.params.rotation = seen_tangent != nullptr ? 0.0f : 0.5f;
  if (seen_tangent != nullptr) {
    s.connect(&s.params.direction);
    s.connect(&s.params.input);
  } else if (e.all) {
    s.connect_all();
  } else {
    s.connect(&s.params.rotation);
    s.connect(&s.params.input);
  }
  if (!e.offset) {
    s.shader.connection_offset = 0;  // the words say connected; the record says none
  }
  s.shade(m.shade);
  install_plain_host();
  if (seen_tangent != nullptr) {
    *seen_tangent = s.seen[1];
  }
  return host.asked;
}

}  // namespace

void add_frame_checks(std::vector<Check>* checks) {
  for (std::int32_t mode : {kPellastoModeDirection, kPellastoModePosition}) {
    for (bool turned : {false, true}) {
      const std::string what = mode_name(mode, turned);
      checks->push_back(
          shading_check("frame", what + ": D[1] = unit tangent, D[0] = normal x tangent",
                        [=](const hostside::PellastoModule& m, Context&) {
                          return frame_is_built(m, mode, turned);
                        }));
      checks->push_back(shading_check("frame", what + ": returns 1 and the input's value",
                                      [=](const hostside::PellastoModule& m, Context&) {
                                        return returns_the_input(m, mode, turned);
                                      }));
    }
  }
  checks->push_back(shading_check("frame", "mode 0: the input sees the host's own frame",
                                  [](const hostside::PellastoModule& m, Context&) {
                                    return mode_0_leaves_the_frame(m);
                                  }));
  checks->push_back(shading_check(
      "frame", "zero frame for a direction along the normal",
      [](const hostside::PellastoModule& m, Context&) { return zero_frame(m); }));
}

void add_restore_checks(std::vector<Check>* checks) {
  for (std::int32_t mode : {0, 1, 2}) {
    for (bool turned : {false, true}) {
      const std::string what = mode_name(mode, turned);
      checks->push_back(shading_check("restore",
                                      what + ": the host's vectors come back bit for bit",
                                      [=](const hostside::PellastoModule& m, Context&) {
                                        return vectors_come_back(m, mode, turned);
                                      }));
      checks->push_back(shading_check(
          "restore",
          what + ": moved while the input is read, put back where they are now",
          [=](const hostside::PellastoModule& m, Context&) {
            return moved_vectors_come_back(m, mode, turned);
          }));
    }
  }
}

void add_parameter_checks(std::vector<Check>* checks) {
  const Expectation expectations[] = {
      {0, true, true, {"mode", "input"}},
      {1, true, true, {"mode", "direction", "rotation", "input"}},
      {2, true, true, {"mode", "position", "rotation", "input"}},
      {1, false, true, {"rotation", "input"}},
      {2, true, false, {}},
  };
  for (const Expectation& e : expectations) {
    const std::string what =
        !e.offset
            ? "connection offset 0: no parameter is evaluated"
            : "mode " + std::to_string(e.mode) +
                  (e.all ? ", all connected: " : ", rotation and input connected: ") +
                  joined(e.order);
    checks->push_back(shading_check(
        "parameters", what, [e](const hostside::PellastoModule& m, Context&) {
          const std::vector<std::string> asked = asked_for(m, e);
          return Result::holds(asked == e.order,
                               "the host was asked for " + joined(asked));
        }));
  }
  // The value the host hands back for a connected direction is the one used.
  checks->push_back(shading_check(
      "parameters", "a connected direction's evaluated value builds the frame",
      [](const hostside::PellastoModule& m, Context&) {
        Vector seen{};
        asked_for(m, {kPellastoModeDirection, false, true, {}}, &seen);
        return Result::holds(
            hostside::near(seen, {0, 1, 0}, kTolerance),
            "the input saw D[1] " + show(seen) + " for the value (0, 3, 0)");
      }));
}

}  // namespace check
