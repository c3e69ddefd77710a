// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Leaves the rounding mode set upward after every call in mode 1.
#include <cfenv>

#include "tools/check/tests/faulty/forward.h"

namespace faulty {

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  const Boolean returned = forward(result, state, params);
  if (params->mode == kPellastoModeDirection) {
    std::fesetround(FE_UPWARD);
  }
  return returned;
}

}  // namespace faulty
