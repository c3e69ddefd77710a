// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Changes a byte of the render state that belongs to the host (none but the
// derivative vectors may change).
#include "tools/check/tests/faulty/forward.h"

namespace faulty {

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  const Boolean returned = forward(result, state, params);
  ++state->host_reserved1[4];
  return returned;
}

}  // namespace faulty
