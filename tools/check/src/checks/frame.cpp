// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The frame the input sees: built as the reference model builds it in modes 1
// and 2, the input's value returned, the host's own frame in mode 0, the zero
// frame; and the rules the ordinary cases leave open: modes other than 0, 1
// and 2 act as 0; a whole number of turns is no turn at all (no host call,
// the unturned frame bit for bit); a direction a little off the normal still
// gives a unit tangent; and a host that exports only one of the two rotation
// functions gets no turn, never a turn through a matrix that nobody filled.
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "hostside/module.h"
#include "hostside/rotation.h"
#include "hostside/sample.h"
#include "hostside/vec.h"
#include "tools/check/src/capture.h"
#include "tools/check/src/catalogue.h"
#include "tools/check/src/checks_common.h"
#include "tools/check/src/program_exports.h"

namespace check {

namespace {

using hostside::same_bits;
using hostside::Sample;

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

// Mode 0, with every parameter connected or only the input: the host's own
// vectors seen by the input, the calls, the result and the vectors after as
// the reference model predicts them.
Result mode_0_leaves_the_frame(const hostside::PellastoModule& m) {
  std::vector<hostside::ModelSample> samples;
  for (const Case& c : frame_cases(kPellastoModeDirection, true)) {
    Case none = c;
    none.mode = kPellastoModeNone;
    none.position = c.point + c.direction;
    hostside::ModelSample s = model_sample(none);
    samples.push_back(s);
    for (bool& connected : s.connected) {
      connected = true;
    }
    s.evaluated = s.stored;
    s.evaluated.input = {9.0f, -8.0f, 7.0f, 6.0f};
    samples.push_back(s);
  }
  return agrees_with_model(m, samples);
}

// A direction along the normal (either way), a zero one, and a position at
// the point: the frame the reference model predicts (the zero frame, not a
// NaN), turned or not.
Result zero_frame(const hostside::PellastoModule& m) {
  const Vector n = hostside::normalized({1, 2, 3});
  const Vector along[] = {2.0f * n, -0.5f * n, 1000.0f * n, {0, 0, 0}};
  std::vector<hostside::ModelSample> samples;
  for (const Vector& d : along) {
    for (float turns : {0.0f, 0.25f}) {
      Case c{};
      c.mode = kPellastoModeDirection;
      c.normal = n;
      c.direction = d;
      c.turns = turns;
      samples.push_back(model_sample(c));
    }
  }
  Case at_point{};
  at_point.mode = kPellastoModePosition;
  at_point.normal = n;
  at_point.point = at_point.position = {1, -2, 3};
  samples.push_back(model_sample(at_point));
  return agrees_with_model(m, samples);
}

// The plain host, noting which parameters it is asked for and how often it
// is asked to rotate or transform.
struct CountingHost {
  std::vector<std::string> asked;
  int rotations = 0;
  int transforms = 0;
  bool scribble = false;  // the input's evaluation writes over D[0] and D[1]
};

void* evaluate_and_note(void* context, RenderState* state, void* parameter) {
  auto* host = static_cast<CountingHost*>(context);
  const FrameParams& p = hostside::Sample::of(state).params;
  const char* name = parameter == &p.input       ? "input"
                     : parameter == &p.mode      ? "mode"
                     : parameter == &p.direction ? "direction"
                     : parameter == &p.position  ? "position"
                     : parameter == &p.rotation  ? "rotation"
                                                 : "something else";
  host->asked.emplace_back(name);
  void* value = hostside::evaluate_in_place(nullptr, state, parameter);
  if (parameter == &p.input && host->scribble) {
    // Whatever runs for the input writes over the vectors.
    state->surface_derivatives[0] = {9, 9, 9};
    state->surface_derivatives[1] = {8, 8, 8};
  }
  return value;
}

HostHooks counting_hooks(CountingHost* host) {
  HostHooks h = hostside::real_rotation_hooks(evaluate_and_note);
  h.context = host;
  h.matrix_rotate_axis = [](void* context, Matrix* m, const Vector* axis, float angle) {
    ++static_cast<CountingHost*>(context)->rotations;
    return hostside::rotate_axis(m, axis, angle);
  };
  h.vector_transform = [](void* context, Vector* out, const Vector* in, const Matrix* m) {
    ++static_cast<CountingHost*>(context)->transforms;
    hostside::transform_direction(out, in, m);
  };
  return h;
}

// Modes other than 0, 1 and 2, every parameter connected, with a host whose
// evaluation of the input writes over D[0] and D[1]: the parameters asked
// for, the frame the input sees, the turns, the result and the vectors after
// as the reference model predicts them.
Result other_modes_act_as_zero(const hostside::PellastoModule& m, Context&) {
  CountingHost host;
  const HostHooks hooks = counting_hooks(&host);
  install_hooks(&hooks);
  for (std::int32_t mode : {-1, 3, 7, 255, INT_MIN, INT_MAX}) {
    host = CountingHost{};
    host.scribble = true;
    hostside::Sample s;
    s.state.surface_normal = hostside::normalized({1, 2, 3});
    s.params.mode = mode;
    s.params.direction = {3, 1, 2};
    s.params.position = {-1, 2, 4};
    s.params.rotation = 0.25f;
    s.connect_all();
    const hostside::Prediction want = hostside::predict(model_of(s.state, s.params));
    const Boolean returned = s.shade(m.shade);
    const std::vector<std::string> asked = predicted_evaluations(want);
    std::string wrong;
    if (host.asked != asked) {
      wrong = "the host was asked for " + listed(host.asked) +
              ", the reference model says " + listed(asked);
    } else if (!hostside::same_bits(s.seen, want.frame)) {
      wrong = "the input saw " + show_pair(s.seen) + ", the reference model says " +
              show_pair(want.frame);
    } else if (host.rotations + host.transforms != predicted_turns(want)) {
      wrong = "the host was asked to rotate or transform " +
              std::to_string(host.rotations + host.transforms) +
              " times, the reference model says " + std::to_string(predicted_turns(want));
    } else if (!hostside::same_bits(s.derivatives, want.after) ||
               returned != want.returned || !hostside::same_bits(s.result, want.result)) {
      wrong = "after the call D[0], D[1] " + show_pair(s.derivatives) + ", returned " +
              std::to_string(returned) + "; the reference model says " +
              show_pair(want.after) + ", returned " + std::to_string(want.returned) +
              " with the input's value (the input's evaluation had written over them)";
    }
    if (!wrong.empty()) {
      return Result::fail("mode " + std::to_string(mode) + ": " + wrong);
    }
  }
  return Result::pass();
}

Result whole_turns_do_not_turn(const hostside::PellastoModule& m, Context&) {
  CountingHost host;
  const HostHooks hooks = counting_hooks(&host);
  install_hooks(&hooks);
  for (std::int32_t mode : {kPellastoModeDirection, kPellastoModePosition}) {
    for (const Case& c : frame_cases(mode, false)) {
      if (c.turns != 0.0f) {
        continue;  // the unturned reference: rotation 0
      }
      // The reference model's unturned frame, not the module's own answer.
      const hostside::Prediction none = hostside::predict(model_sample(c));
      for (float turns : {1.0f, -2.0f, 3.0f, 4096.0f, -1e6f, 16777216.0f}) {
        Case whole = c;
        whole.turns = turns;
        host = CountingHost{};
        const Shaded r = shade(m, whole);
        if (host.rotations + host.transforms != 0 ||
            !hostside::same_bits(r.seen, none.frame)) {
          return Result::fail(
              c.name + ", made " + show(turns) + ": " +
              (host.rotations + host.transforms != 0
                   ? "the host was asked to rotate " + std::to_string(host.rotations) +
                         " and to transform " + std::to_string(host.transforms) + " times"
                   : "the input saw " + show_pair(r.seen) +
                         ", the reference model's unturned frame is " +
                         show_pair(none.frame)));
        }
      }
    }
  }
  return Result::pass();
}

Result near_normal_gives_a_frame(const hostside::PellastoModule& m, Context&) {
  const Vector leanings[] = {{0, 0, 1}, {1, 2, 3}, {-2, 0.5f, 1}, {0.3f, -0.8f, 0.2f}};
  for (const Vector& lean : leanings) {
    const Vector n = hostside::normalized(lean);
    // A unit vector across the normal, which the tangent must follow.
    const Vector other = std::fabs(n.x) < 0.9f ? Vector{1, 0, 0} : Vector{0, 1, 0};
    const Vector across = hostside::normalized(hostside::cross(n, other));
    for (double angle : {1e-2, 1e-3, 1e-4}) {
      for (float length : {1.0f, 7.5f}) {
        for (std::int32_t mode : {kPellastoModeDirection, kPellastoModePosition}) {
          const auto c = static_cast<float>(std::cos(angle) * length);
          const auto s = static_cast<float>(std::sin(angle) * length);
          const Vector d = c * n + s * across;
          Case k{};
          k.mode = mode;
          k.normal = n;
          k.point = {1, -2, 0.5f};
          k.direction = d;
          k.position = k.point + d;
          const Shaded r = shade(m, k);
          const Vector t = r.seen[1];
          const bool unit = std::fabs(hostside::length(t) - 1.0f) <= kTolerance;
          // The direction's own rounding moves the tangent by up to about
          // 1e-7 / angle.
          const bool along = hostside::near(t, across, 2e-3f) &&
                             hostside::near(r.seen[0], hostside::cross(n, t), 1e-5f);
          const hostside::Prediction want = hostside::predict(model_sample(k));
          if (unit && along && !hostside::same_bits(r.seen, want.frame)) {
            return Result::fail("mode " + std::to_string(mode) + ", normal " + show(n) +
                                ", direction " + show(d) + ": the input saw " +
                                show_pair(r.seen) + ", the reference model says " +
                                show_pair(want.frame));
          }
          if (!unit || !along) {
            char what[64];
            std::snprintf(what, sizeof what, "%g rad", angle);
            return Result::fail("mode " + std::to_string(mode) + ", normal " + show(n) +
                                ", direction " + show(d) + " (" + what +
                                " off the normal): the input saw " + show_pair(r.seen) +
                                ", expected a unit tangent near " + show(across));
          }
        }
      }
    }
  }
  return Result::pass();
}

// Fills the stack below the caller with NaNs, so that a matrix the module
// never fills holds no earlier call's rotation.
[[gnu::noinline]] void poison_stack() {
  volatile unsigned char below[16384];
  for (std::size_t i = 0; i < sizeof below; ++i) {
    below[i] = 0xff;
  }
}

Result one_rotation_function(const hostside::PellastoModule& m, Context& context) {
  if (context.output == nullptr) {
    return Result::skip("the module's standard error cannot be captured here");
  }
  struct Missing {
    unsigned mask;
    const char* name;
  };
  std::string wrong;
  for (const Missing& missing :
       {Missing{2, "mi_matrix_rotate_axis"}, Missing{4, "mi_vector_transform"}}) {
    if (!hide_host_functions(missing.mask)) {
      hide_host_functions(0);
      return Result::skip("this platform gives no way to hide a host function here");
    }
    m.set_module_handle(hostside::program_module());
    context.output->take();
    const Case c = frame_cases(kPellastoModeDirection, true).front();
    Case unturned = c;
    unturned.turns = 0;
    const Vector expected = hostside::expected_tangent(c.normal, c.direction, 0);
    Shaded r{};
    for (int call = 0; call < 2; ++call) {
      poison_stack();
      r = shade(m, c);
    }
    const CapturedOutput said = context.output->take();
    hide_host_functions(0);
    m.set_module_handle(hostside::program_module());
    const std::string message =
        hostside::failed_lookup_pattern(missing.name, hostside::program_module());
    if (!hostside::near(r.seen[1], expected, kTolerance) ||
        !hostside::near(r.seen[0], hostside::cross(c.normal, expected), kTolerance)) {
      wrong = std::string("a host without ") + missing.name + ", " + c.name +
              ": the input saw " + show_pair(r.seen) + ", expected the unturned " +
              show(hostside::cross(c.normal, expected)) + ", " + show(expected);
      break;
    }
    if (!said.complete || !hostside::matches_whole(said.err, message + message)) {
      wrong = std::string("a host without ") + missing.name +
              ", two turned samples: standard error \"" + one_line(said.err) +
              "\", expected the module's message for " + missing.name + " twice";
      break;
    }
  }
  return Result::holds(wrong.empty(), wrong);
}

void add_checks(std::vector<Check>* checks) {
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
  checks->push_back(shading_check(
      "frame", "modes other than 0, 1 and 2 act as 0: no frame, only mode and input read",
      other_modes_act_as_zero));
  checks->push_back(shading_check(
      "frame", "whole numbers of turns: no host call, the unturned frame bit for bit",
      whole_turns_do_not_turn));
  checks->push_back(shading_check(
      "frame", "directions a little off the normal still give a unit tangent",
      near_normal_gives_a_frame));
  checks->push_back(shading_check(
      "frame",
      "a host with only one of the two rotation functions: no turn, and its message",
      one_rotation_function, true));
}

const GroupRegistration kRegistration(400, "frame", add_checks);

}  // namespace

}  // namespace check
