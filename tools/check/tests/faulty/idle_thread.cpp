// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Starts a thread when it is loaded that waits for ever.
#include <chrono>
#include <thread>

#include "tools/check/tests/faulty/forward.h"

namespace {

[[gnu::constructor]] void start_thread() {
  std::thread([] {
    for (;;) {
      std::this_thread::sleep_for(std::chrono::hours(1));
    }
  }).detach();
}

}  // namespace

namespace faulty {

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  return forward(result, state, params);
}

}  // namespace faulty
