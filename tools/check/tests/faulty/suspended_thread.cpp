// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Creates a thread in its first call and leaves it suspended: it exists, but
// never runs a line of the process (a thread the system has not yet started
// on a busy machine looks the same).
#include <windows.h>

#include <mutex>

#include "tools/check/tests/faulty/forward.h"

namespace {

DWORD WINAPI never_runs(LPVOID) { return 0; }

}  // namespace

namespace faulty {

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  static std::once_flag started;
  std::call_once(started, [] {
    const HANDLE thread =
        CreateThread(nullptr, 0, never_runs, nullptr, CREATE_SUSPENDED, nullptr);
    if (thread != nullptr) {
      CloseHandle(thread);
    }
  });
  return forward(result, state, params);
}

}  // namespace faulty
