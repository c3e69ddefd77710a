// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Swaps the x and y of a stored `direction` longer than 1000 in mode 1: the
// frame is wrong only for long directions.
#include "tools/check/tests/faulty/forward.h"

namespace faulty {

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  const Vector d = params->direction;
  const double squared = static_cast<double>(d.x) * d.x + static_cast<double>(d.y) * d.y +
                         static_cast<double>(d.z) * d.z;
  if (params->mode != kPellastoModeDirection || !(squared > 1e6)) {
    return forward(result, state, params);
  }
  params->direction = {d.y, d.x, d.z};
  const Boolean returned = forward(result, state, params);
  params->direction = d;
  return returned;
}

}  // namespace faulty
