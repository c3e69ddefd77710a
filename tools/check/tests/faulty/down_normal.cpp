// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Builds the frame about the reversed normal where the normal points down
// (z < -0.6): the tangent is the same, D[0] = normal x tangent the wrong way
// round, and a turn goes the other way. Every normal that leans up or only a
// little down gets the right frame.
#include "tools/check/tests/faulty/forward.h"

namespace faulty {

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  const Vector n = state->surface_normal;
  if (!(n.z < -0.6f)) {
    return forward(result, state, params);
  }
  state->surface_normal = {-n.x, -n.y, -n.z};
  const Boolean returned = forward(result, state, params);
  state->surface_normal = n;
  return returned;
}

}  // namespace faulty
