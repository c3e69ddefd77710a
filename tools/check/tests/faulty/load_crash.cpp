// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Dereferences a null pointer while it is being loaded, in a constructor
// that the loader runs: the crash happens inside the loader.
#include <cstdint>

#include "tools/check/tests/faulty/forward.h"

namespace {

[[gnu::constructor]] void crash_at_load() {
  static volatile std::uintptr_t nowhere = 0;  // opaque: a real store, not a trap
  *reinterpret_cast<volatile int*>(nowhere) = 1;
}

}  // namespace

namespace faulty {

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  return forward(result, state, params);
}

}  // namespace faulty
