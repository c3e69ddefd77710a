// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Right on the first three threads that call it, then the stored
// `direction` reversed in mode 1 on every thread after them: only a check
// with at least four threads sees it.
#include <atomic>

#include "tools/check/tests/faulty/forward.h"

namespace faulty {

namespace {
std::atomic<int> threads_seen{0};
thread_local int this_thread = -1;
}  // namespace

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  if (this_thread < 0) {
    this_thread = threads_seen++;
  }
  if (this_thread < 3 || params->mode != kPellastoModeDirection) {
    return forward(result, state, params);
  }
  const Vector d = params->direction;
  params->direction = {-d.x, -d.y, -d.z};
  const Boolean returned = forward(result, state, params);
  params->direction = d;
  return returned;
}

}  // namespace faulty
