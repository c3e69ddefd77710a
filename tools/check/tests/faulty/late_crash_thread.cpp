// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Starts a thread in its first call that dereferences a null pointer 300 ms
// later, long after a quick check has ended.
#include <chrono>
#include <cstdint>
#include <mutex>
#include <thread>

#include "tools/check/tests/faulty/forward.h"

namespace faulty {

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  static std::once_flag started;
  std::call_once(started, [] {
    std::thread([] {
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      static volatile std::uintptr_t nowhere = 0;
      *reinterpret_cast<volatile int*>(nowhere) = 1;
    }).detach();
  });
  return forward(result, state, params);
}

}  // namespace faulty
