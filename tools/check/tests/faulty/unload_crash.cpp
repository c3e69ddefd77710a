// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Dereferences a null pointer in a destructor, when it is unloaded.
#include <cstdint>

#include "tools/check/tests/faulty/forward.h"

namespace {

[[gnu::destructor]] void crash() {
  static volatile std::uintptr_t nowhere = 0;
  *reinterpret_cast<volatile int*>(nowhere) = 1;
}

}  // namespace

namespace faulty {

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  return forward(result, state, params);
}

}  // namespace faulty
