// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Sets an environment variable when it is loaded.
#include <cstdlib>

#include "tools/check/tests/faulty/forward.h"

namespace {

[[gnu::constructor]] void set_variable() {
#if defined(_WIN32)
  _putenv("PELLASTO_FAULTY=1");
#else
  setenv("PELLASTO_FAULTY", "1", 1);
#endif
}

}  // namespace

namespace faulty {

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  return forward(result, state, params);
}

}  // namespace faulty
