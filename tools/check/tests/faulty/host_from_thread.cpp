// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Shades each sample on a thread of its own, which calls the host from a
// thread the host is not shading on; the caller waits for it.
#include <thread>

#include "tools/check/tests/faulty/forward.h"

namespace faulty {

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  Boolean answer = 0;
  std::thread([&] { answer = forward(result, state, params); }).join();
  return answer;
}

}  // namespace faulty
