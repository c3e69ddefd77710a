// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Dereferences a null pointer while shading mode 2.
#include <cstdint>

#include "tools/check/tests/faulty/forward.h"

namespace faulty {

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  if (params->mode == kPellastoModePosition) {
    static volatile std::uintptr_t nowhere = 0;  // opaque: a real store, not a trap
    *reinterpret_cast<volatile int*>(nowhere) = 1;
  }
  return forward(result, state, params);
}

}  // namespace faulty
