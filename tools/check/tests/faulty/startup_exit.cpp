// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Ends the process with exit(0), a status that reads as success, from a
// constructor that the loader runs.
#include <cstdlib>

#include "tools/check/tests/faulty/forward.h"

namespace {

[[gnu::constructor]] void end_at_load() { std::exit(0); }

}  // namespace

namespace faulty {

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  return forward(result, state, params);
}

}  // namespace faulty
