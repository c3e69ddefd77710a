// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Builds a frame from `direction` in modes other than 0, 1 and 2, which
// must act as 0.
#include "tools/check/tests/faulty/forward.h"

namespace faulty {

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  const std::int32_t mode = params->mode;
  if (mode == kPellastoModeNone || mode == kPellastoModeDirection ||
      mode == kPellastoModePosition) {
    return forward(result, state, params);
  }
  params->mode = kPellastoModeDirection;
  const Boolean returned = forward(result, state, params);
  params->mode = mode;
  return returned;
}

}  // namespace faulty
