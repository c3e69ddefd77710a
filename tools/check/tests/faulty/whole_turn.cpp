// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Turns by whole numbers of turns too: asks the host for the rotation by
// the whole angle, and so gives a frame that is the unturned one only up to
// rounding. Built with FAULTY_OWN_HOST: the real module is handed half a
// turn and the host is asked for the angle of the whole value.
#include <cmath>

#include "tools/check/tests/faulty/forward.h"

namespace {
thread_local float whole_turns = 0;

Boolean matrix_rotate_axis(Matrix* m, const Vector* axis, float angle) {
  if (whole_turns != 0) {
    angle = static_cast<float>(static_cast<double>(whole_turns) * 6.283185307179586);
  }
  return faulty::host_matrix_rotate_axis(m, axis, angle);
}

}  // namespace

const faulty::Host faulty::faults = {nullptr, matrix_rotate_axis, nullptr};

namespace faulty {

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  const float turns = params->rotation;
  if (turns == 0 || !std::isfinite(turns) || turns != std::trunc(turns)) {
    return forward(result, state, params);
  }
  whole_turns = turns;
  params->rotation = 0.5f;
  const Boolean returned = forward(result, state, params);
  params->rotation = turns;
  whole_turns = 0;
  return returned;
}

}  // namespace faulty
