// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Never turns the tangent: shades as if `rotation` were 0.
#include "tools/check/tests/faulty/forward.h"

namespace faulty {

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  const float turns = params->rotation;
  params->rotation = 0;
  const Boolean returned = forward(result, state, params);
  params->rotation = turns;
  return returned;
}

}  // namespace faulty
