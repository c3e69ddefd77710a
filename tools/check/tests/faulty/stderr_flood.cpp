// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Writes 2 MB on the standard error in its first call, more than any pipe
// holds: a reader that does not drain it as it comes blocks the module.
#include <atomic>
#include <cstdio>
#include <cstring>

#include "tools/check/tests/faulty/forward.h"

namespace faulty {

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  static std::atomic<bool> flooded{false};
  if (!flooded.exchange(true)) {
    char line[1024];
    std::memset(line, 'x', sizeof line - 1);
    line[sizeof line - 2] = '\n';
    line[sizeof line - 1] = '\0';
    for (int i = 0; i < 2048; ++i) {
      std::fputs(line, stderr);
    }
  }
  return forward(result, state, params);
}

}  // namespace faulty
