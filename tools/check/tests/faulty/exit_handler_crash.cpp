// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Registers an exit handler in its first call that dereferences a null
// pointer: it runs when the module is unloaded, or when the process ends.
#include <cstdint>
#include <cstdlib>

#include "tools/check/tests/faulty/forward.h"

namespace {

void crash() {
  static volatile std::uintptr_t nowhere = 0;
  *reinterpret_cast<volatile int*>(nowhere) = 1;
}

}  // namespace

namespace faulty {

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  static const int registered = std::atexit(crash);
  static_cast<void>(registered);
  return forward(result, state, params);
}

}  // namespace faulty
