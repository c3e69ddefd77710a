// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// Sets flush-to-zero and denormals-are-zero when it is loaded, as the start-up
// code of a module built with -ffast-math does (on aarch64, the FPCR's FZ).
#include <cstdint>

#include "tools/check/tests/faulty/forward.h"

namespace {

[[gnu::constructor]] void set_flush_to_zero() {
#if defined(__aarch64__)
  std::uint64_t fpcr = 0;
  __asm__ volatile("mrs %0, fpcr" : "=r"(fpcr));
  fpcr |= std::uint64_t{1} << 24;  // FZ
  __asm__ volatile("msr fpcr, %0" : : "r"(fpcr));
#else
  std::uint32_t mxcsr = 0;
  __asm__ volatile("stmxcsr %0" : "=m"(mxcsr));
  mxcsr |= 0x8040u;  // FTZ and DAZ
  __asm__ volatile("ldmxcsr %0" : : "m"(mxcsr));
#endif
}

}  // namespace

namespace faulty {

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  return forward(result, state, params);
}

}  // namespace faulty
