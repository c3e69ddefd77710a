// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Ends the process with exit(86) while shading mode 2: the status a worker
// once ended with when it lost its channel, which must still read as the
// module's own ending.
#include <cstdlib>

#include "tools/check/tests/faulty/forward.h"

namespace faulty {

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  if (params->mode == kPellastoModePosition) {
    std::exit(86);
  }
  return forward(result, state, params);
}

}  // namespace faulty
