// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Sends SIGTERM to every process it may signal (kill(-1, SIGTERM)) while
// shading mode 2, as a module that means to stop a renderer and misses.
//
// Only where the process filters its system calls (the worker's guard is
// on): unguarded, the signal would end every process of the user that runs
// the test. There it does nothing, and the test that expects the attempt
// named fails.
#include <signal.h>

#include <fstream>
#include <string>

#include "tools/check/tests/faulty/forward.h"

namespace {

bool calls_filtered() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("Seccomp:", 0) == 0) {
      return line.find('2') != std::string::npos;  // 2: a filter
    }
  }
  return false;
}

}  // namespace

namespace faulty {

// Read as the module loads: the worker's calls allocate nothing of this.
const bool g_filtered = calls_filtered();

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  if (params->mode == kPellastoModePosition && g_filtered) {
    kill(-1, SIGTERM);
  }
  return forward(result, state, params);
}

}  // namespace faulty
