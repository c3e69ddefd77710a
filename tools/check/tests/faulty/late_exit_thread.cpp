// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Starts a thread when it is loaded that ends the process with status 0
// 300 ms later, long after a quick check has ended.
#include <chrono>
#include <cstdlib>
#include <thread>

#include "tools/check/tests/faulty/forward.h"

namespace {

[[gnu::constructor]] void start_thread() {
  std::thread([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    std::exit(0);
  }).detach();
}

}  // namespace

namespace faulty {

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  return forward(result, state, params);
}

}  // namespace faulty
