// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Hands the host 1.25 turns as the quarter turn pi/2 instead of 2.5 pi: the
// frame is the same to within rounding, the angle the host is given is not.
#include "tools/check/tests/faulty/forward.h"

namespace faulty {

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  const float turns = params->rotation;
  if (turns != 1.25f) {
    return forward(result, state, params);
  }
  params->rotation = 0.25f;
  const Boolean returned = forward(result, state, params);
  params->rotation = turns;
  return returned;
}

}  // namespace faulty
