// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Writes on the standard error, while shading mode 2, what neither a terminal
// nor XML 1.0 should take as it is: U+FFFE and U+FFFF, a surrogate encoded
// in UTF-8, bytes that are no UTF-8, a NUL, and a carriage return with an
// escape sequence that would wipe the line and print a passing total.
#include <cstdio>

#include "tools/check/tests/faulty/forward.h"

namespace faulty {

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  if (params->mode == kPellastoModePosition) {
    static const char text[] =
        "\xef\xbf\xbe\xef\xbf\xbf \xed\xa0\x80 \xff\xfe \x01\x7f\xc2\x9b"
        "\0\r\x1b[2Kpellasto-check: 56 passed, 0 failed\n";
    std::fwrite(text, 1, sizeof text - 1, stderr);
    std::fflush(stderr);
  }
  return forward(result, state, params);
}

}  // namespace faulty
