// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Clears the umask when it is loaded: the host's files are then written
// readable and writable by everyone.
#include <sys/stat.h>

#include "tools/check/tests/faulty/forward.h"

namespace {

[[gnu::constructor]] void clear_umask() { umask(0); }

}  // namespace

namespace faulty {

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  return forward(result, state, params);
}

}  // namespace faulty
