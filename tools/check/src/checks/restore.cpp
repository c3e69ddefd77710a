// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The host's vectors put back after the call, where the state points then.
#include <cstdint>
#include <cstring>
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

using hostside::same_bits;
using hostside::Sample;

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

// The vectors after the call, bit for bit, as the reference model predicts
// them from the sample.
Result vectors_come_back(const hostside::PellastoModule& m, std::int32_t mode,
                         bool turned) {
  Sample s;
  restore_params(&s, mode, turned);
  const hostside::Prediction want = hostside::predict(model_of(s.state, s.params));
  s.shade(m.shade);
  return Result::holds(same_bits(s.derivatives, want.after),
                       "after the call D[0], D[1] " + show_pair(s.derivatives) +
                           ", the reference model says " + show_pair(want.after));
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
  // Where the vectors are put back is the host's; what is put back, the
  // model's.
  const hostside::Prediction want = hostside::predict(model_of(t.state, t.params));
  t.shade(m.shade);
  install_plain_host();
  return Result::holds(
      t.state.surface_derivatives == moving.moved && same_bits(moving.moved, want.after),
      "the moved vectors hold D[0], D[1] " + show_pair(moving.moved) +
          ", the reference model says " + show_pair(want.after));
}

void add_checks(std::vector<Check>* checks) {
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

const GroupRegistration kRegistration(700, "restore", add_checks);

}  // namespace

}  // namespace check
