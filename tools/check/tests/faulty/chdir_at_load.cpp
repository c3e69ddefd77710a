// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Changes the working directory when it is loaded: the host's relative
// paths then name other files.
#if defined(_WIN32)
#include <direct.h>
#define chdir _chdir
#else
#include <unistd.h>
#endif

#include "tools/check/tests/faulty/forward.h"

namespace {

[[gnu::constructor]] void change_folder() {
  if (chdir("..") != 0) {
    return;
  }
}

}  // namespace

namespace faulty {

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  return forward(result, state, params);
}

}  // namespace faulty
