// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Points the standard error at the null device while shading mode 2.
#include <fcntl.h>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

#include "tools/check/tests/faulty/forward.h"

namespace faulty {

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  if (params->mode == kPellastoModePosition) {
#if defined(_WIN32)
    _dup2(_open("NUL", _O_WRONLY), 2);
#else
    dup2(open("/dev/null", O_WRONLY), 2);
#endif
  }
  return forward(result, state, params);
}

}  // namespace faulty
