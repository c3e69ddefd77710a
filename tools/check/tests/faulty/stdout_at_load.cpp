// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Prints a line on the standard output when it is loaded.
#include <cstdio>

#include "tools/check/tests/faulty/forward.h"

namespace {

[[gnu::constructor]] void say_hello() {
  std::puts("faulty module loaded");
  std::fflush(stdout);
}

}  // namespace

namespace faulty {

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  return forward(result, state, params);
}

}  // namespace faulty
