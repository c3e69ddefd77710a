// Sets flush-to-zero and denormals-are-zero when it is loaded, as the start-up
// code of a module built with -ffast-math does.
#include <cstdint>

#include "tools/check/tests/faulty/forward.h"

namespace {

[[gnu::constructor]] void set_flush_to_zero() {
  std::uint32_t mxcsr = 0;
  __asm__ volatile("stmxcsr %0" : "=m"(mxcsr));
  mxcsr |= 0x8040u;
  __asm__ volatile("ldmxcsr %0" : : "m"(mxcsr));
}

}  // namespace

namespace faulty {

Boolean shade(Color* result, RenderState* state, FrameParams* params) {
  return forward(result, state, params);
}

}  // namespace faulty
