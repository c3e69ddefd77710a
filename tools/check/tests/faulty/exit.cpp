// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Ends the process with exit(0), a status that reads as success, while
// shading mode 2.
#include <cstdlib>

#include "tools/check/tests/faulty/forward.h"

namespace faulty {

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  if (params->mode == kPellastoModePosition) {
    std::exit(0);
  }
  return forward(result, state, params);
}

}  // namespace faulty
