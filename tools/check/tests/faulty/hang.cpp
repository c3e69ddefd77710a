// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Never returns from a call in mode 2.
#include <atomic>

#include "tools/check/tests/faulty/forward.h"

namespace faulty {

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  static std::atomic<bool> never{false};
  while (params->mode == kPellastoModePosition && !never.load()) {
  }
  return forward(result, state, params);
}

}  // namespace faulty
