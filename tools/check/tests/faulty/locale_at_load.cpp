// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Changes the process's locale when it is loaded: a host that reads "0.5"
// from its scene files then reads 0 wherever the new locale's decimal point
// differs.
#include <clocale>

#include "tools/check/tests/faulty/forward.h"

namespace {

[[gnu::constructor]] void change_locale() {
#if defined(_WIN32)
  std::setlocale(LC_ALL, "German_Germany.1252");
#else
  std::setlocale(LC_ALL, "C.UTF-8");
#endif
}

}  // namespace

namespace faulty {

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  return forward(result, state, params);
}

}  // namespace faulty
