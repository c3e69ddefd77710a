// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Starts a child process while it is being loaded, which keeps every
// descriptor it inherited (the host's pipes among them) open for a minute,
// then dereferences a null pointer while shading mode 2.
#include <unistd.h>

#include <cstdint>

#include "tools/check/tests/faulty/forward.h"

namespace {

[[gnu::constructor]] void start_child() {
  if (fork() == 0) {
    sleep(60);
    _exit(0);
  }
}

}  // namespace

namespace faulty {

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  if (params->mode == kPellastoModePosition) {
    static volatile std::uintptr_t nowhere = 0;
    *reinterpret_cast<volatile int*>(nowhere) = 1;
  }
  return forward(result, state, params);
}

}  // namespace faulty
