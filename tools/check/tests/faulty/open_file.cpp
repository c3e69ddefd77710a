// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Opens a file of its own in its first call and keeps it open.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/check/tests/faulty/forward.h"

namespace faulty {

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  static std::FILE* kept = [] {
#if defined(_WIN32)
    const char* folder = std::getenv("TEMP");
#else
    const char* folder = std::getenv("TMPDIR");
#endif
    const std::string path = std::string(folder != nullptr ? folder : "/tmp") +
                             "/pellasto-faulty-open-file.txt";
    return std::fopen(path.c_str(), "w");
  }();
  static_cast<void>(kept);
  return forward(result, state, params);
}

}  // namespace faulty
