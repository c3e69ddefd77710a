// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Allocates a block on the heap in every call (and frees it).
#include <cstdlib>

#include "tools/check/tests/faulty/forward.h"

namespace faulty {

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  void* volatile block = std::malloc(64);  // volatile: the call stays
  std::free(block);
  return forward(result, state, params);
}

}  // namespace faulty
