// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Forks a child when it is loaded and leaves it behind (it ends on its own
// some seconds later).
#include <unistd.h>

#include "tools/check/tests/faulty/forward.h"

namespace {

[[gnu::constructor]] void fork_child() {
  if (fork() == 0) {
    sleep(5);
    _exit(0);
  }
}

}  // namespace

namespace faulty {

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  return forward(result, state, params);
}

}  // namespace faulty
