// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Closes the standard output while shading mode 2.
#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

#include "tools/check/tests/faulty/forward.h"

namespace faulty {

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  if (params->mode == kPellastoModePosition) {
#if defined(_WIN32)
    _close(1);
#else
    close(1);
#endif
  }
  return forward(result, state, params);
}

}  // namespace faulty
