// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Saves the host's vectors into one buffer shared by every thread and puts
// them back from it after the call: two threads inside at once get each
// other's.
#include <cstring>

#include "tools/check/tests/faulty/forward.h"

namespace faulty {

namespace {
Vector saved[2];
}

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  std::memcpy(saved, state->surface_derivatives, sizeof saved);
  const Boolean returned = forward(result, state, params);
  std::memcpy(state->surface_derivatives, saved, sizeof saved);
  return returned;
}

}  // namespace faulty
