// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Arms an alarm when it is loaded: SIGALRM ends the host 100 s later.
#include <unistd.h>

#include "tools/check/tests/faulty/forward.h"

namespace {

[[gnu::constructor]] void arm_alarm() { alarm(100); }

}  // namespace

namespace faulty {

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  return forward(result, state, params);
}

}  // namespace faulty
