// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Turns on a standard stream of the worker while shading mode 2. Built twice:
// FAULTY_STDERR_TO_NULL points the standard error at the null device,
// FAULTY_CLOSE_STDOUT closes the standard output.
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
#if defined(FAULTY_STDERR_TO_NULL) && defined(_WIN32)
    _dup2(_open("NUL", _O_WRONLY), 2);
#elif defined(FAULTY_STDERR_TO_NULL)
    dup2(open("/dev/null", O_WRONLY), 2);
#elif defined(FAULTY_CLOSE_STDOUT) && defined(_WIN32)
    _close(1);
#elif defined(FAULTY_CLOSE_STDOUT)
    close(1);
#else
#error "define FAULTY_STDERR_TO_NULL or FAULTY_CLOSE_STDOUT"
#endif
  }
  return forward(result, state, params);
}

}  // namespace faulty
