// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Pellasto_exit sends SIGTERM to its whole process group, as a module that
// means to stop its renderer would: the host's other processes in that group
// with it.
#include <signal.h>

#include "tools/check/tests/faulty/forward.h"

namespace faulty {

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  return forward(result, state, params);
}

}  // namespace faulty

extern "C" PELLASTO_EXPORT void Pellasto_exit(RenderState* /*state*/,
                                              FrameParams* /*params*/) {
  kill(0, SIGTERM);
}
