// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The frame rules that the frame checks' ordinary cases leave open: modes
// other than 0, 1 and 2 act as 0; a whole number of turns is no turn at all
// (no host call, the unturned frame bit for bit); a direction a little off
// the normal still gives a unit tangent; and a host that exports only one of
// the two rotation functions gets no turn, never a turn through a matrix
// that nobody filled.
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <regex>
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

std::string joined(const std::vector<std::string>& names) {
  std::string s;
  for (const std::string& n : names) {
    s += (s.empty() ? "" : ", ") + n;
  }
  return "[" + s + "]";
}

std::string show_pair(const Vector v[2]) { return show(v[0]) + ", " + show(v[1]); }

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
    Vector host_frame[2];
    std::memcpy(host_frame, s.derivatives, sizeof host_frame);
    const Boolean returned = s.shade(m.shade);
    const std::vector<std::string> only = {"mode", "input"};
    std::string wrong;
    if (host.asked != only) {
      wrong = "the host was asked for " + joined(host.asked) + ", not " + joined(only);
    } else if (!hostside::same_bits(s.seen, host_frame)) {
      wrong = "the input saw " + show_pair(s.seen) + ", not the host's own " +
              show_pair(host_frame);
    } else if (host.rotations + host.transforms != 0) {
      wrong = "the host was asked to rotate or transform";
    } else if (!hostside::same_bits(s.derivatives, host_frame) || returned != 1 ||
               !hostside::same_bits(s.result, s.params.input)) {
      wrong =
          "the call did not return 1 with the input's value and the host's vectors "
          "put back (the input's evaluation had written over them)";
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
    if (!said.complete || !std::regex_match(said.err, std::regex(message + message))) {
      wrong = std::string("a host without ") + missing.name +
              ", two turned samples: standard error \"" + one_line(said.err) +
              "\", expected the module's message for " + missing.name + " twice";
      break;
    }
  }
  return Result::holds(wrong.empty(), wrong);
}

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

}  // namespace

void add_frame_rule_checks(std::vector<Check>* checks) {
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
  checks->push_back(shading_check(
      kFuzzGroup,
      "random samples for --fuzz seconds, each as the reference model predicts",
      fuzz_against_model));
}

}  // namespace check
