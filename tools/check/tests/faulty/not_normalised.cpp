// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Leaves the frame as long as the direction: while `input` is read, D[0] and
// D[1] are the unit frame times the direction's length. Built with
// FAULTY_OWN_HOST, so that it sees the evaluation of `input`.
#include <cmath>

#include "tools/check/tests/faulty/forward.h"

namespace {
thread_local const FrameParams* shading = nullptr;

void* phen_eval(RenderState* state, void* parameter) {
  Vector* d = state->surface_derivatives;
  if (shading != nullptr && parameter == &shading->input && d != nullptr &&
      shading->mode == kPellastoModeDirection) {
    const Vector v = shading->direction;
    const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    for (int i = 0; i < 2; ++i) {
      d[i] = {d[i].x * length, d[i].y * length, d[i].z * length};
    }
  }
  return faulty::host_phen_eval(state, parameter);
}

}  // namespace

const faulty::Host faulty::faults = {phen_eval, nullptr, nullptr};

namespace faulty {

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  shading = params;
  const Boolean returned = forward(result, state, params);
  shading = nullptr;
  return returned;
}

}  // namespace faulty
