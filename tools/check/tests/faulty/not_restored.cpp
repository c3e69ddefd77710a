// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Leaves D[1] overridden: the tangent in force while `input` was read stays
// in the host's vectors after the call. Built with FAULTY_OWN_HOST, so that
// it sees the evaluation of `input`.
#include <cstring>

#include "tools/check/tests/faulty/forward.h"

namespace {
thread_local bool seen = false;
thread_local Vector tangent;

void* phen_eval(RenderState* state, void* parameter) {
  if (state->surface_derivatives != nullptr) {
    tangent = state->surface_derivatives[1];
    seen = true;
  }
  return faulty::host_phen_eval(state, parameter);
}

}  // namespace

const faulty::Host faulty::faults = {phen_eval, nullptr, nullptr};

namespace faulty {

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  seen = false;
  const Boolean returned = forward(result, state, params);
  if (seen && state->surface_derivatives != nullptr) {
    state->surface_derivatives[1] = tangent;
  }
  return returned;
}

}  // namespace faulty
