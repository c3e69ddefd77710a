// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The stored `direction` reversed in mode 1, but only where a check that
// shades few samples never looks. Built twice:
// - FAULTY_AFTER_MANY_CALLS: right for the first 2,344 calls in a process;
// - FAULTY_FROM_FOURTH_THREAD: right on the first three threads that call it,
//   wrong on every thread after them (only a check with at least four
//   threads sees it).
#include <atomic>

#include "tools/check/tests/faulty/forward.h"

namespace faulty {

namespace {

#if defined(FAULTY_AFTER_MANY_CALLS)
std::atomic<long> calls{0};
bool still_right() { return ++calls <= 2344; }
#elif defined(FAULTY_FROM_FOURTH_THREAD)
std::atomic<int> threads_seen{0};
thread_local int this_thread = -1;
bool still_right() {
  if (this_thread < 0) {
    this_thread = threads_seen++;
  }
  return this_thread < 3;
}
#else
#error "define FAULTY_AFTER_MANY_CALLS or FAULTY_FROM_FOURTH_THREAD"
#endif

}  // namespace

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  if (still_right() || params->mode != kPellastoModeDirection) {
    return forward(result, state, params);
  }
  const Vector d = params->direction;
  params->direction = {-d.x, -d.y, -d.z};
  const Boolean returned = forward(result, state, params);
  params->direction = d;
  return returned;
}

}  // namespace faulty
