// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Ends the process with exit(FAULTY_EXIT_STATUS) while shading mode 2: by
// default 0, a status that reads as success; built as exit_86 with 86, the
// status a worker once ended with when it lost its channel, which must still
// read as the module's own ending.
#include <cstdlib>

#include "tools/check/tests/faulty/forward.h"

#if !defined(FAULTY_EXIT_STATUS)
#define FAULTY_EXIT_STATUS 0
#endif

namespace faulty {

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  if (params->mode == kPellastoModePosition) {
    std::exit(FAULTY_EXIT_STATUS);
  }
  return forward(result, state, params);
}

}  // namespace faulty
