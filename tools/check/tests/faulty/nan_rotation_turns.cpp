// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Takes a stored `rotation` that is NaN or infinite as a quarter turn: the
// frame turns where no turn is due.
#include <cmath>

#include "tools/check/tests/faulty/forward.h"

namespace faulty {

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  const float turns = params->rotation;
  if (std::isfinite(turns)) {
    return forward(result, state, params);
  }
  params->rotation = 0.25f;
  const Boolean returned = forward(result, state, params);
  params->rotation = turns;
  return returned;
}

}  // namespace faulty
