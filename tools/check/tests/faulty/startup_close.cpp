// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Closes every descriptor of the process, as a daemon's start-up does, from
// a constructor that the loader runs.
#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

#include "tools/check/tests/faulty/forward.h"

namespace {

[[gnu::constructor]] void close_all() {
  for (int fd = 0; fd < 1024; ++fd) {
#if defined(_WIN32)
    _close(fd);
#else
    close(fd);
#endif
  }
}

}  // namespace

namespace faulty {

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  return forward(result, state, params);
}

}  // namespace faulty
