// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Right for the first 2,344 calls in a process, then the stored `direction`
// reversed in mode 1: a check that shades few samples never sees it.
#include <atomic>

#include "tools/check/tests/faulty/forward.h"

namespace faulty {

namespace {
std::atomic<long> calls{0};
}

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  if (++calls <= 2344 || params->mode != kPellastoModeDirection) {
    return forward(result, state, params);
  }
  const Vector d = params->direction;
  params->direction = {-d.x, -d.y, -d.z};
  const Boolean returned = forward(result, state, params);
  params->direction = d;
  return returned;
}

}  // namespace faulty
