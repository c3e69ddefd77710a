// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Takes about 10 ms a call.
#include <chrono>
#include <thread>

#include "tools/check/tests/faulty/forward.h"

namespace faulty {

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return forward(result, state, params);
}

}  // namespace faulty
